#include "registers/ui/import_reversal_dialog.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/history.h"
#include "core/regional.h"
#include "core/ui/long_work.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"
#include "safety/backup.h"

namespace qdx::ui {

namespace {

QString what_it_writes(const ImportReversal& plan, const Regional& regional) {
    const bool voids = plan.voidsPayments();
    QString text = QString("%1 %2 dated %3, total sum %4")
                       .arg(plan.count())
                       .arg(voids ? "void(s) of its payments" : "full refund(s) of its sales")
                       .arg(fromAnsi(format_date(plan.date, regional)))
                       .arg(fromAnsi(round3_double(plan.total, regional)));
    if (plan.alreadyCorrected > 0)
        text += QString("; %1 of its records %2 already and stay as they are")
                    .arg(plan.alreadyCorrected)
                    .arg(voids ? "were voided" : "were refunded in full");
    return text;
}

}  // namespace

ImportReversalDialog::ImportReversalDialog(UiContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName("dlgReverseImport");
    setWindowTitle("Reverse an import");
    imports_ = new QListWidget(this);
    imports_->setObjectName("lstImports");
    imports_->setAccessibleName("Imports, by number");
    const auto entries = read_ledger(context.state);
    for (size_t i = 0; i < entries.size(); ++i)
        imports_->addItem(fromAnsi(import_name(static_cast<int64_t>(i + 1), entries[i])));
    date_ = new QLineEdit(this);
    date_->setObjectName("txtReversalDate");
    date_->setAccessibleName("Date of the reversal");
    date_->setText(fromAnsi(format_date(context.state.today(), context.state.regional)));
    what_ = new QLabel(this);
    what_->setObjectName("lblReversal");
    what_->setWordWrap(true);
    what_->setMinimumHeight(48);

    auto* form = new QFormLayout;
    auto* listLabel = new QLabel("&Imports:", this);
    listLabel->setBuddy(imports_);
    form->addRow(listLabel, imports_);
    auto* dateLabel = new QLabel("&Date of the reversal:", this);
    dateLabel->setBuddy(date_);
    form->addRow(dateLabel, date_);
    reverse_ = make_button(this, "cmdReverseImport", "&Reverse this import...",
                           "Refund the import's sales in full or void its payments");
    auto* cancel = make_button(this, "cmdReverseCancel", "Cancel");
    auto* buttons = buttons_at_right({reverse_, cancel});
    auto* page = new QVBoxLayout(this);
    page->addLayout(form);
    page->addWidget(what_);
    page->addLayout(buttons);
    QWidget* order[] = {imports_, date_, reverse_, cancel};
    for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
    connect(imports_, &QListWidget::currentRowChanged, this, &ImportReversalDialog::describe);
    connect(date_, &QLineEdit::textChanged, this, &ImportReversalDialog::describe);
    connect(reverse_, &QPushButton::clicked, this, &ImportReversalDialog::reverse);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    if (entries.empty())
        what_->setText("No file was imported.");
    else
        imports_->setCurrentRow(static_cast<int>(entries.size()) - 1);  // the latest first
    describe();
    resize(560, 360);
}

std::optional<ImportReversal> ImportReversalDialog::plan(QString& why) const {
    if (imports_->currentRow() < 0) {
        why = imports_->count() == 0 ? "No file was imported." : "Choose an import.";
        return std::nullopt;
    }
    const auto date = parse_date(toAnsi(date_->text()), context_.state.regional);
    if (!date) {
        why = QString("\"%1\" is not a date.").arg(date_->text());
        return std::nullopt;
    }
    try {
        return plan_import_reversal(context_.state, imports_->currentRow() + 1, *date);
    } catch (const ReversalRefused& refused) {
        why = fromAnsi(refused.what()) + ".";
    } catch (const std::exception& failure) {
        why = "The files could not be read: " + fromAnsi(failure.what());
    }
    return std::nullopt;
}

void ImportReversalDialog::describe() {
    QString why;
    const auto p = plan(why);
    reverse_->setEnabled(p.has_value());
    what_->setText(p ? "Reversing it writes " + what_it_writes(*p, context_.state.regional) + "."
                     : why);
}

void ImportReversalDialog::reverse() {
    QString why;
    const auto p = plan(why);
    if (!p) {
        context_.message(this, why);
        return;
    }
    const QString question = QString("Reverse %1?\nThis writes %2.")
                                 .arg(fromAnsi(import_name(p->number, p->entry)))
                                 .arg(what_it_writes(*p, context_.state.regional));
    if (context_.message(this, question, MessageButtons::YesNo) != MessageAnswer::Yes) return;
    try {
        // The data as it was is kept first, as before an import.
        try {
            run_long_work(context_, this, kBackupWork,
                          [appDir = context_.state.appDir](Progress& progress) {
                              automatic_backup(appDir, "reversal", progress);
                          });
        } catch (const Cancelled&) {
            return;
        } catch (const std::exception& e) {
            throw FileError(std::string("the backup before it could not be made: ") + e.what());
        }
        reversal_ = {*p, reverse_import(context_.state, *p)};
    } catch (const std::exception& e) {
        context_.message(this, "Nothing was reversed: " + fromAnsi(e.what()));
        return;
    }
    accept();
}

void reverse_an_import(UiContext& context, QWidget* parent) {
    ImportReversalDialog dialog(context, parent);
    if (context.runDialog(dialog) != QDialog::Accepted || !dialog.reversal()) return;
    const auto& [plan, first] = *dialog.reversal();
    context.message(parent, QString("%1 reversed: records %2 to %3 of %4.")
                                .arg(fromAnsi(import_name(plan.number, plan.entry)))
                                .arg(first)
                                .arg(first + plan.count() - 1)
                                .arg(plan.voidsPayments() ? "the voids" : "the refunds"));
}

}  // namespace qdx::ui
