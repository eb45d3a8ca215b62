#include "safety/ui/safety_windows.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "core/csv.h"
#include "core/files.h"
#include "core/history.h"
#include "core/settings.h"
#include "core/ui/long_work.h"
#include "core/ui/ui_context.h"
#include "safety/backup.h"
#include "safety/check.h"

namespace qdx::ui {

namespace fs = std::filesystem;

namespace {

const LongWorkText kCheckWork{"Checking the data",
                              "The data is being checked: wait for it or cancel it."};

QString utf8(const std::string& text) { return QString::fromStdString(text); }

// A register window holds its file open; a restore replaces the folder under it.
bool register_window_open(UiContext& context, QWidget* parent) {
    for (const char* key :
         {"frmAffiliates", "frmCommunications", "frmSales", "frmPayments", "frmAPSettings"}) {
        if (context.openWindow(key)) {
            context.message(parent, "Close the register and settings windows first.");
            return true;
        }
    }
    return false;
}

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

class CheckWindow : public QWidget {
  public:
    explicit CheckWindow(UiContext& context) : context_(context) {
        setObjectName("frmCheck");
        setWindowTitle("Check the data");
        setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(this);
        lblResult_ = new QLabel(this);
        lblResult_->setObjectName("lblResult");
        lblResult_->setWordWrap(true);
        grid_ = new QTableWidget(0, 5, this);
        grid_->setObjectName("grdFindings");
        grid_->setAccessibleName("Findings");
        grid_->setHorizontalHeaderLabels({"File", "Record", "Field", "What is wrong", "Repair"});
        grid_->horizontalHeader()->setStretchLastSection(true);
        lblResult_->setBuddy(grid_);
        auto* buttons = new QHBoxLayout;
        cmdCheck_ = new QPushButton("Check &again", this);
        cmdCheck_->setObjectName("cmdCheck");
        cmdCheck_->setAccessibleName("Check again");
        cmdRepair_ = new QPushButton("&Repair", this);
        cmdRepair_->setObjectName("cmdRepair");
        cmdRepair_->setAccessibleName("Repair");
        cmdRepair_->setToolTip("Back the data up, then repair what can be repaired without loss");
        buttons->addWidget(cmdCheck_);
        buttons->addWidget(cmdRepair_);
        buttons->addStretch();
        layout->addWidget(lblResult_);
        layout->addWidget(grid_);
        layout->addLayout(buttons);
        setTabOrder(grid_, cmdCheck_);
        setTabOrder(cmdCheck_, cmdRepair_);
        connect(cmdCheck_, &QPushButton::clicked, this, [this] { check(); });
        connect(cmdRepair_, &QPushButton::clicked, this, [this] { repair(); });
        resize(900, 400);
    }

    void check() {
        if (refuse_while_busy(context_, this)) return;
        try {
            const fs::path app = context_.state.appDir;
            report_ = long_work_result(context_, this, kCheckWork,
                                       [app](Progress& p) { return check_data(app, p); });
        } catch (const Cancelled&) {
            return;
        } catch (const std::exception& e) {
            context_.message(this, "Sorry, the data could not be checked.\n" + utf8(e.what()));
            return;
        }
        show(report_.findings,
             report_.clean() ? QString("No findings: %1 affiliates, %2 sales, %3 payments, %4 "
                                       "communications checked.")
                                   .arg(report_.affiliates)
                                   .arg(report_.sales)
                                   .arg(report_.payments)
                                   .arg(report_.communications)
                             : QString("%1 finding(s).").arg(report_.findings.size()));
    }

  private:
    void show(const std::vector<Finding>& findings, const QString& summary) {
        lblResult_->setText(summary);
        grid_->setRowCount(static_cast<int>(findings.size()));
        int row = 0;
        bool repairable = false;
        for (const Finding& f : findings) {
            grid_->setItem(row, 0, cell(utf8(f.file)));
            grid_->setItem(row, 1, cell(f.record > 0 ? QString::number(f.record) : QString()));
            grid_->setItem(row, 2, cell(utf8(f.field)));
            grid_->setItem(row, 3, cell(utf8(f.problem)));
            grid_->setItem(row, 4, cell(utf8(f.repair)));
            repairable = repairable || f.kind != RepairKind::Nothing;
            ++row;
        }
        grid_->resizeColumnsToContents();
        cmdRepair_->setEnabled(repairable);
    }

    void repair() {
        if (refuse_while_busy(context_, this)) return;
        RepairOutcome outcome;
        try {
            const fs::path app = context_.state.appDir;
            const CheckReport report = report_;
            outcome = long_work_result(context_, this, kCheckWork, [app, report](Progress& p) {
                return repair_data(app, report, p);
            });
        } catch (const Cancelled&) {
            check();
            return;
        } catch (const std::exception& e) {
            context_.message(this, "Sorry, the data could not be repaired.\n" + utf8(e.what()));
            check();
            return;
        }
        QString done;
        for (const std::string& line : outcome.done) done += utf8(line) + "\n";
        show(outcome.left, outcome.left.empty()
                               ? QString("Repaired; no findings left.")
                               : QString("Repaired; %1 finding(s) are left for you to decide.")
                                     .arg(outcome.left.size()));
        report_.findings = outcome.left;
        context_.message(this, done.trimmed());
    }

    UiContext& context_;
    CheckReport report_;
    QLabel* lblResult_;
    QTableWidget* grid_;
    QPushButton *cmdCheck_, *cmdRepair_;
};

class HistoryWindow : public QWidget {
  public:
    explicit HistoryWindow(UiContext& context) : context_(context) {
        setObjectName("frmHistory");
        setWindowTitle("History");
        setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(this);
        auto* filters = new QGridLayout;
        const std::pair<const char*, const char*> boxes[] = {{"txtRegister", "&Register"},
                                                             {"txtRecord", "Rec&ord"},
                                                             {"txtAffiliate", "&Affiliate's ID"},
                                                             {"txtFrom", "&From (yyyy-mm-dd)"},
                                                             {"txtTo", "&To (yyyy-mm-dd)"}};
        int column = 0;
        QWidget* previous = nullptr;
        for (auto [name, caption] : boxes) {
            auto* label = new QLabel(caption, this);
            auto* box = new QLineEdit(this);
            box->setObjectName(name);
            box->setAccessibleName(QString(caption).remove('&'));
            label->setBuddy(box);
            filters->addWidget(label, 0, column);
            filters->addWidget(box, 1, column++);
            connect(box, &QLineEdit::textChanged, this, [this] { fill(); });
            boxes_.push_back(box);
            if (previous) setTabOrder(previous, box);
            previous = box;
        }
        grid_ = new QTableWidget(0, 6, this);
        grid_->setObjectName("grdHistory");
        grid_->setAccessibleName("History");
        grid_->setHorizontalHeaderLabels(
            {"Time", "User", "Program", "Register", "Record", "What happened"});
        grid_->horizontalHeader()->setStretchLastSection(true);
        cmdCsv_ = new QPushButton("Save as .&csv", this);
        cmdCsv_->setObjectName("cmdSaveCsv");
        cmdCsv_->setAccessibleName("Save as .csv");
        layout->addLayout(filters);
        layout->addWidget(grid_);
        layout->addWidget(cmdCsv_, 0, Qt::AlignLeft);
        setTabOrder(previous, grid_);
        setTabOrder(grid_, cmdCsv_);
        connect(cmdCsv_, &QPushButton::clicked, this, [this] { saveCsv(); });
        lines_ = parse_history(read_whole_file(history_file(context_.state.appDir)));
        fill();
        resize(1000, 500);
    }

  private:
    bool shown(const HistoryLine& line) const {
        const std::string reg = boxes_[0]->text().trimmed().toStdString();
        const std::string record = boxes_[1]->text().trimmed().toStdString();
        const std::string affiliate = boxes_[2]->text().trimmed().toStdString();
        const std::string from = boxes_[3]->text().trimmed().toStdString();
        const std::string to = boxes_[4]->text().trimmed().toStdString();
        const std::string day = history_day(line);
        if (!reg.empty() && line.registerName != reg) return false;
        if (!record.empty() && std::to_string(line.record) != record) return false;
        if (!from.empty() && (day.empty() || day < from)) return false;
        if (!to.empty() && (day.empty() || day > to)) return false;
        if (!affiliate.empty()) {
            const bool own =
                line.registerName == "affiliates" && std::to_string(line.record) == affiliate;
            const std::string what = line.what + ";";
            const bool named =
                what.find("Affiliate's ID: " + affiliate + ";") != std::string::npos ||
                what.find("Affiliate's ID: " + affiliate + " ") != std::string::npos ||
                what.find("→ " + affiliate + ";") != std::string::npos;
            if (!own && !named) return false;
        }
        return true;
    }

    void fill() {
        shownLines_.clear();
        for (const HistoryLine& line : lines_)
            if (shown(line)) shownLines_.push_back(&line);
        grid_->setRowCount(static_cast<int>(shownLines_.size()));
        int row = 0;
        for (const HistoryLine* line : shownLines_) {
            grid_->setItem(row, 0, cell(utf8(line->time)));
            grid_->setItem(row, 1, cell(utf8(line->user)));
            grid_->setItem(row, 2, cell(utf8(line->program)));
            grid_->setItem(row, 3, cell(utf8(line->registerName)));
            grid_->setItem(row, 4, cell(line->record > 0 ? QString::number(line->record) : ""));
            grid_->setItem(row, 5,
                           cell(utf8(line->what) + (line->cut ? " (cut short by a stop)" : "")));
            ++row;
        }
        grid_->resizeColumnsToContents();
    }

    void saveCsv() {
        const fs::path suggested = context_.state.appDir / "output" / "history.csv";
        const QString chosen = context_.chooseFile(
            {this, "Save the history", utf8(suggested.string()), "CSV files (*.csv)", true});
        if (chosen.isEmpty()) return;
        std::string text = csv::line({"Time", "User", "Program", "Register", "Record", "What"});
        for (const HistoryLine* l : shownLines_)
            text += csv::line({l->time, l->user, l->program, l->registerName,
                               l->record > 0 ? std::to_string(l->record) : "", l->what});
        try {
            write_file_atomically(fs::path(chosen.toStdString()), text);
        } catch (const std::exception& e) {
            context_.message(this, "Sorry, the file could not be written.\n" + utf8(e.what()));
        }
    }

    UiContext& context_;
    std::vector<HistoryLine> lines_;
    std::vector<const HistoryLine*> shownLines_;
    std::vector<QLineEdit*> boxes_;
    QTableWidget* grid_;
    QPushButton* cmdCsv_;
};

}  // namespace

void check_the_data(UiContext& context, QWidget* parent) {
    (void)parent;
    auto* window = static_cast<CheckWindow*>(
        context.showOnce("frmCheck", [&] { return new CheckWindow(context); }));
    window->check();
}

void show_history(UiContext& context, QWidget* parent) {
    (void)parent;
    context.showOnce("frmHistory", [&] { return new HistoryWindow(context); });
}

void back_up_the_data(UiContext& context, QWidget* parent) {
    if (refuse_while_busy(context, parent)) return;
    const QString chosen = context.chooseFile(
        {parent, "Back up the data", utf8((context.state.appDir / "qdx-backup.zip").string()),
         "Zip archives (*.zip)", true});
    if (chosen.isEmpty()) return;
    const fs::path app = context.state.appDir, zip = chosen.toStdString();
    try {
        const Manifest m = long_work_result(context, parent, kBackupWork, [app, zip](Progress& p) {
            write_history(app, "", 0, "backup to " + zip.string());
            return write_backup(app, zip, p);
        });
        context.message(parent,
                        QString("Backed up %1 files to %2.").arg(m.files.size()).arg(chosen));
    } catch (const Cancelled&) {
    } catch (const std::exception& e) {
        context.message(parent, "Sorry, the backup could not be written.\n" + utf8(e.what()));
    }
}

void restore_the_data(UiContext& context, QWidget* parent) {
    if (refuse_while_busy(context, parent) || register_window_open(context, parent)) return;
    const QString chosen = context.chooseFile({parent, "Restore the data",
                                               utf8((context.state.appDir / "backups").string()),
                                               "Zip archives (*.zip)", false});
    if (chosen.isEmpty()) return;
    const fs::path app = context.state.appDir, zip = chosen.toStdString();
    try {
        const Manifest m = long_work_result(context, parent, kBackupWork,
                                            [zip](Progress& p) { return verify_backup(zip, p); });
        uint64_t bytes = 0;
        for (const ManifestEntry& e : m.files) bytes += e.size;
        if (context.message(parent,
                            QString("The backup %1 was made %2 and holds %3 files (%4 bytes).\n"
                                    "Put it in place of the present data? The present data is "
                                    "backed up first.")
                                .arg(chosen, utf8(m.created))
                                .arg(m.files.size())
                                .arg(bytes),
                            MessageButtons::OkCancel) != MessageAnswer::Ok)
            return;
        const fs::path before =
            long_work_result(context, parent, kBackupWork,
                             [app, zip](Progress& p) { return restore_backup(app, zip, p); });
        load_settings(context.state);  // the restored rewards
        context.message(
            parent, QString("Restored. The data before it is in %1.").arg(utf8(before.string())));
    } catch (const Cancelled&) {
    } catch (const std::exception& e) {
        context.message(parent, "Sorry, the data could not be restored.\n" + utf8(e.what()));
    }
}

}  // namespace qdx::ui
