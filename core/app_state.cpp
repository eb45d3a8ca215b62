#include "core/app_state.h"

#include "core/ole_date.h"

namespace qdx {

void Messages::setStartupWording() {
    enterData = "Please enter data into the field";
    selectValue = "Please select the value from the list";
    incorrectValue = "Sorry, you entered an incorrect value";
    noRecord = "Sorry, this record does not exist";
    noAffiliate = "Sorry, there is no Affiliate with that ID";
    createRecord = "Please create a new record";
}

void Messages::setVariantWording() {
    enterData = "Please enter the data to the field";
    incorrectValue = "Sorry, you entered not correct value";
    noRecord = "Sorry, this record does not exist";
    noAffiliate = "Sorry, there is no an Affiliate with this ID";
    createRecord = "Please create a new record";
    selectValue = "Please select the value from the list";
}

AppState::AppState(std::filesystem::path folder) : appDir(std::move(folder)), today(today_ole) {
    messages.setStartupWording();
}

}  // namespace qdx
