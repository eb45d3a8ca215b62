// Which typed fields the record files cannot keep as typed, and the question
// the windows ask about them before a save.
#include "core/kept_text.h"

#include <gtest/gtest.h>

#include "registers/affiliate_editing.h"
#include "registers/communication_editing.h"

namespace qdx {
namespace {

TEST(KeptTextTest, TextFieldsOutsideTheCodePageAreNamedWithTheirNearestLetters) {
    const auto unkept =
        fields_files_cannot_keep({{Field::Name, "Иван"},
                                  {Field::Surname, "Wiśniewski"},
                                  {Field::City, "Zürich"},   // Windows-1252 holds it
                                  {Field::ReferrerId, "٣"},  // a number: its own check
                                  {Field::AdditionalInfo, "☃ snow"}});
    ASSERT_EQ(unkept.size(), 3u);
    EXPECT_EQ(unkept[0].field, Field::Name);
    EXPECT_EQ(unkept[0].fitted.text, "Ivan");
    EXPECT_EQ(unkept[1].field, Field::Surname);
    EXPECT_EQ(unkept[1].fitted.text, "Wisniewski");
    EXPECT_EQ(unkept[2].field, Field::AdditionalInfo);
    EXPECT_EQ(unkept[2].fitted.unknown, U"☃");

    const std::string q = nearest_letters_question(unkept, affiliate_fields());
    EXPECT_NE(q.find("Name: \"И\" becomes \"I\", \"в\" becomes \"v\", \"а\" becomes \"a\", \"н\" "
                     "becomes \"n\" (kept as \"Ivan\")"),
              std::string::npos)
        << q;
    EXPECT_NE(q.find("Surname: \"ś\" becomes \"s\" (kept as \"Wisniewski\")"), std::string::npos)
        << q;
    EXPECT_NE(q.find("Additional Info: \"☃\" has no nearest Latin letters and becomes \"?\""),
              std::string::npos)
        << q;
    EXPECT_EQ(q.find("City"), std::string::npos);
    EXPECT_NE(q.find("Yes: save with the nearest Latin letters."), std::string::npos);
    EXPECT_NE(q.find("No: go back to the box; nothing is saved."), std::string::npos);
}

TEST(KeptTextTest, WhatTheFilesHoldAsksNothing) {
    EXPECT_TRUE(fields_files_cannot_keep({{Field::Name, "Zoë"},
                                          {Field::Surname, "Müller-Lüdenscheidt"},
                                          {Field::Unit, "€"},
                                          {Field::Sum, "١٢"}})
                    .empty());
    // A combining accent is named by its code: alone it shows nothing.
    const auto accent = fields_files_cannot_keep({{Field::Comments, "Cafe\xCC\x81"}});
    ASSERT_EQ(accent.size(), 1u);
    EXPECT_NE(nearest_letters_question(accent, communication_fields()).find("U+0301"),
              std::string::npos);
}

}  // namespace
}  // namespace qdx
