#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "core/files.h"
#include "core/ole_date.h"
#include "core/regional.h"
#include "core/settings.h"
#include "core/ui/long_work.h"
#include "core/ui/qt_text.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_parts.h"

namespace qdx::ui {
namespace {

QLabel* make_label(QWidget* parent, const char* name, const QString& caption, int x, int y,
                   int w = 0) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    l->move(px(x), px(y));
    if (w) l->setFixedWidth(px(w));
    l->adjustSize();
    return l;
}

QLineEdit* make_box(QWidget* parent, const char* name, int x, int y, int w, const QString& spoken) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAccessibleName(spoken);
    e->setGeometry(px(x), px(y), px(w), px(315));
    return e;
}

// A frame with an "ID=" button and its affiliate ID box.
QGroupBox* make_id_frame(QWidget* parent, const char* frameName, const QString& caption, int x,
                         int y, const char* buttonName, const char* boxName, int boxX) {
    auto* frame = new QGroupBox(caption, parent);
    frame->setObjectName(frameName);
    frame->setGeometry(px(x), px(y), px(2055), px(960));
    auto* b = place_button(frame, buttonName, "ID=", 120, 360, boxX - 240, 435);
    b->setAccessibleName(caption + " report for the affiliate ID");
    auto* box = make_box(frame, boxName, boxX, 400, 735, caption + " affiliate ID");
    auto* label = new QLabel(frame);  // screen readers hear the frame's name for the box
    label->setBuddy(box);
    label->hide();
    // Enter in the box runs the report, as the button does.
    QObject::connect(box, &QLineEdit::returnPressed, b, &QPushButton::click);
    return frame;
}

}  // namespace

MainWindow::MainWindow(UiContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context) {
    setObjectName("frmStart");
    setWindowTitle("Qdx");
    auto* client = new QWidget(this);
    client->setObjectName("clientArea");
    client->setFixedSize(px(7635), px(5625));
    // The layout is drawn for a compact 8-point face; larger default faces would clip captions.
    QFont face = client->font();
    face.setPointSizeF(8);
    client->setFont(face);
    setCentralWidget(client);
    buildControls(client);
    buildMenu();
    giveMenuShortcutsPrecedence();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // Opening the window.
    fillDates();
    load_settings(context_.state);
}

void MainWindow::buildControls(QWidget* c) {
    auto* line = new QFrame(c);
    line->setObjectName("lineDivider");
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(px(3000) - 1, 0, 3, px(5625));

    QFont heading("Arial");
    heading.setPointSizeF(9.75);
    heading.setBold(true);
    auto* lbl1 = make_label(c, "lbl1", " REGISTRATION", 360, 120);
    lbl1->setFont(heading);
    lbl1->adjustSize();
    place_button(c, "cmdAffiliates", "Affiliates", 240, 1320, 2535);
    place_button(c, "cmdCommunications", "Communications", 240, 2040, 2535);
    place_button(c, "cmdSales", "Sales/Leads", 240, 2760, 2535);
    place_button(c, "cmdPayments", "Payments", 240, 3480, 2535);
    place_button(c, "cmdAPSettings", "AP Settings", 240, 4200, 2535);

    auto* lbl2 = make_label(c, "lbl2", "REPORTS", 3480, 120);
    lbl2->setFont(heading);
    lbl2->adjustSize();
    auto* lbl3 = make_label(c, "lbl3", "From", 3120, 630);
    auto* from = make_box(c, "txtDateFrom", 3600, 600, 1035, "Report range from");
    lbl3->setBuddy(from);
    auto* lbl4 = make_label(c, "lbl4", "To", 4740, 630);
    auto* to = make_box(c, "txtDateTo", 5040, 600, 1035, "Report range to");
    lbl4->setBuddy(to);

    place_button(c, "cmdAPperformanceR", "AP Performance", 3240, 1320, 1695);
    place_button(c, "cmdAccountsR", "Accounts", 3240, 2040, 1695);
    // Wide enough for its caption.
    place_button(c, "cmdPaymentsR", "Payments Due", 3240, 2760, 1185);
    auto* html = new QCheckBox("HTM", c);
    html->setObjectName("chHTML");
    html->setAccessibleName("Also write the affiliate pages (HTM)");
    html->setGeometry(px(4440), px(2760), px(840), px(495));

    make_id_frame(c, "frameActivity", "Activities of Affiliates", 5520, 1080, "cmdActivitiesR",
                  "txtAIDa", 1200);
    make_id_frame(c, "frameNetStructure", "Network Structure", 5520, 2280, "cmdNetStructureR",
                  "txtAIDn", 1200);
    make_id_frame(c, "frameIncomeStructure", "Income Structure", 5520, 3480, "cmdIncomeStructureR",
                  "txtAID", 1200);
    auto* downline =
        make_id_frame(c, "frmDownline", "Downline", 3240, 3480, "cmdDownline", "txtAIDd", 1080);
    // The downline as a tree, under its ID box; the frame grows to hold it.
    downline->resize(downline->width(), px(1185));
    auto* tree = place_button(downline, "cmdDownlineTree", "Tree...", 1080, 780, 735, 345);
    tree->setAccessibleName("Downline tree for the affiliate ID");

    auto* type = new QGroupBox("Type of Report", c);
    type->setObjectName("frameTypeR");
    type->setGeometry(px(4560), px(4680), px(2955), px(795));
    auto* shortType = new QRadioButton("Short", type);
    shortType->setObjectName("OptShort");
    shortType->setGeometry(px(240), px(330), px(1200), px(375));
    shortType->setChecked(true);
    auto* fullType = new QRadioButton("Full", type);
    fullType->setObjectName("OptFull");
    fullType->setGeometry(px(1560), px(330), px(1200), px(375));

    // Reading order: left column top to bottom, then the report column.
    const char* order[] = {"cmdAffiliates",
                           "cmdCommunications",
                           "cmdSales",
                           "cmdPayments",
                           "cmdAPSettings",
                           "txtDateFrom",
                           "txtDateTo",
                           "cmdAPperformanceR",
                           "cmdActivitiesR",
                           "txtAIDa",
                           "cmdAccountsR",
                           "cmdNetStructureR",
                           "txtAIDn",
                           "cmdPaymentsR",
                           "chHTML",
                           "cmdDownline",
                           "txtAIDd",
                           "cmdDownlineTree",
                           "cmdIncomeStructureR",
                           "txtAID",
                           "OptShort",
                           "OptFull"};
    QWidget* previous = nullptr;
    for (const char* name : order) {
        auto* w = c->findChild<QWidget*>(name);
        if (previous && w) setTabOrder(previous, w);
        previous = w;
    }
}

void MainWindow::buildMenu() {
    QMenu* fileMenu = menuBar()->addMenu("&File");
    fileMenu->setObjectName("mnuFile");
    const std::pair<const char*, const char*> fileItems[] = {
        {"ImportSales", "Import &sales..."},           {"ImportPayments", "Import &payments..."},
        {"ImportAffiliates", "Import &affiliates..."}, {"ImportRefunds", "Import &refunds..."},
        {"ReverseImport", "Re&verse an import..."},    {"WritePayout", "&Write payout file..."}};
    for (auto [name, caption] : fileItems) {
        if (std::string_view(name) == "WritePayout") fileMenu->addSeparator();
        fileMenu->addAction(caption)->setObjectName(name);
    }
    // Keeping the data safe.
    fileMenu->addSeparator();
    for (auto [name, caption] :
         {std::pair{"CheckData", "&Check the data..."}, std::pair{"History", "&History..."},
          std::pair{"BackUp", "&Back up..."}, std::pair{"Restore", "&Restore..."}})
        fileMenu->addAction(caption)->setObjectName(name);

    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("mnuHelp");
    struct Item {
        const char* name;
        const char* caption;
        const char* keys;
    };
    const Item items[] = {{"About", "&About", "Ctrl+A"},  {"UserGuide", "&User's Guide", "Ctrl+U"},
                          {"FAQ", "&FAQ", "Ctrl+F"},      {"Cases", "&Cases", "Ctrl+C"},
                          {"WePay", "&We pay", "Ctrl+P"}, {"Support", "&Support", "Ctrl+S"}};
    for (const Item& item : items) {
        QAction* a = help->addAction(item.caption);
        a->setObjectName(item.name);
        a->setShortcut(QKeySequence(item.keys));
    }
    help->addSeparator();
    QAction* exit = help->addAction("&Exit");
    exit->setObjectName("Exit");
    exit->setShortcut(QKeySequence("Ctrl+E"));
    // Exit ends the program at once, without the windows' own closing steps.
    connect(exit, &QAction::triggered, this, [] { QApplication::exit(0); });
}

// A text box claims Ctrl+A, Ctrl+C, Ctrl+U and Ctrl+E for its own editing
// before a window shortcut is looked up; in this window's boxes the Help
// menu's keys come first.
void MainWindow::giveMenuShortcutsPrecedence() {
    for (QLineEdit* box : findChildren<QLineEdit*>()) box->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const QKeySequence keys(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* a : menuBar()->findChildren<QAction*>()) {
            if (a->isEnabled() && !a->shortcut().isEmpty() && a->shortcut() == keys) {
                event->ignore();  // not wanted by the box: the shortcut runs
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::fillDates() {
    const AppState& s = context_.state;
    double today = s.today();
    lineEdit("txtDateTo")->setText(fromAnsi(format_date(today, s.regional)));
    lineEdit("txtDateFrom")->setText(fromAnsi(format_date(one_month_before(today), s.regional)));
}

std::optional<DateRange> MainWindow::check_dates() {
    const AppState& s = context_.state;
    for (const char* name : {"txtDateFrom", "txtDateTo"}) {
        QLineEdit* box = lineEdit(name);
        auto date = parse_date(toAnsi(box->text()), s.regional);
        if (!date) {
            context_.message(this, s.messages.incorrectValue, box);
            return std::nullopt;
        }
        (name[7] == 'F' ? range_.from : range_.to) = *date;
    }
    return range_;
}

bool MainWindow::fullReportSelected() const {
    return findChild<QRadioButton*>("OptFull")->isChecked();
}

bool MainWindow::htmlPagesChecked() const { return findChild<QCheckBox*>("chHTML")->isChecked(); }

QPushButton* MainWindow::button(MainButton which) const {
    static const char* const names[] = {
        "cmdAffiliates",    "cmdCommunications",   "cmdSales",
        "cmdPayments",      "cmdAPSettings",       "cmdAPperformanceR",
        "cmdAccountsR",     "cmdPaymentsR",        "cmdActivitiesR",
        "cmdNetStructureR", "cmdIncomeStructureR", "cmdDownline"};
    return button(names[static_cast<int>(which)]);
}

QLineEdit* MainWindow::idBox(MainButton report) const {
    switch (report) {
        case MainButton::Activities:
            return lineEdit("txtAIDa");
        case MainButton::NetStructure:
            return lineEdit("txtAIDn");
        case MainButton::IncomeStructure:
            return lineEdit("txtAID");
        case MainButton::Downline:
            return lineEdit("txtAIDd");
        default:
            return nullptr;
    }
}

QPushButton* MainWindow::button(const char* name) const { return findChild<QPushButton*>(name); }
QLineEdit* MainWindow::lineEdit(const char* name) const { return findChild<QLineEdit*>(name); }
QAction* MainWindow::action(const char* name) const { return findChild<QAction*>(name); }

void MainWindow::closeEvent(QCloseEvent* event) {
    // Long work still running is stopped, and its worker has ended, before
    // the working files go and the windows are deleted.
    stop_long_work(context_);
    remove_if_exists(context_.state.workFile(file::kActivity));
    remove_if_exists(context_.state.workFile(file::kAccounts));
    event->accept();
}

}  // namespace qdx::ui
