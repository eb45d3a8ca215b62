#include "help/ui/help_window.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "core/app_folder.h"
#include "core/ui/ui_context.h"
#include "core/ui/window_memory.h"
#include "help/help_pages.h"

namespace qdx::ui {

const char* const kWebSite = "https://www.qdx-affiliates.example";

namespace {

bool is_web_address(const QUrl& url) { return url.scheme() == "http" || url.scheme() == "https"; }

QString short_page(const QString& heading, const QString& text, const QUrl& address) {
    const QString shown = address.isLocalFile() ? address.toLocalFile() : address.toString();
    return QString("<html><body><h2>%1</h2><p>%2</p><p><tt>%3</tt></p></body></html>")
        .arg(heading.toHtmlEscaped(), text.toHtmlEscaped(), shown.toHtmlEscaped());
}

}  // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (type == QTextDocument::ImageResource || type == QTextDocument::StyleSheetResource)
        return QTextBrowser::loadResource(type, name);
    if (is_web_address(name)) {
        if (started_.contains(name))
            return short_page(
                "We have opened this page in your web browser.",
                "The page of the program's web site is shown by your web browser:", name);
        return short_page("No web browser could be started.",
                          "This page of the program's web site was not opened. To read it, "
                          "open this address in a web browser:",
                          name);
    }
    QVariant page = name.isLocalFile() && QFileInfo(name.toLocalFile()).isFile()
                        ? QTextBrowser::loadResource(type, name)
                        : QVariant();
    if (page.isNull() || (page.typeId() == QMetaType::QByteArray && page.toByteArray().isEmpty()))
        return short_page("This page can't be reached.",
                          "The address could not be found. Check that the help pages lie "
                          "beside the program.",
                          name);
    return page;
}

void HelpBrowser::noteHandedOver(const QUrl& address, bool started) {
    if (started)
        started_.insert(address);
    else
        started_.remove(address);
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent),
      openExternal([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    setObjectName("frmHelp");
    setWindowTitle("Help");
    resize(720, 560);
    close_on_escape(this);

    back_ = new QPushButton("Back", this);
    back_->setObjectName("cmdBack");
    back_->setAccessibleName("Back");
    forward_ = new QPushButton("Forward", this);
    forward_->setObjectName("cmdForward");
    forward_->setAccessibleName("Forward");
    browser_ = new HelpBrowser(this);
    browser_->setObjectName("WebBrowser1");
    browser_->setAccessibleName("Help page");
    browser_->setOpenLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back_);
    buttons->addWidget(forward_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(browser_, 1);
    setTabOrder(back_, forward_);
    setTabOrder(forward_, browser_);

    // At either end of the history the browser simply stays where it is.
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        QUrl url = browser_->source().resolved(link);
        if (is_web_address(url)) {
            showWebPage(url);
        } else if (url.isLocalFile()) {
            browser_->setSource(url);
        } else if (openExternal) {
            openExternal(url);  // mailto: and the like
        }
    });
}

void HelpWindow::navigate(const QString& address) {
    QUrl url(address);
    if (is_web_address(url))
        showWebPage(url);
    else
        browser_->setSource(QUrl::fromLocalFile(address));
}

// The system's browser shows a web page; the viewer keeps a page in its
// history that says whether that browser could be started.
void HelpWindow::showWebPage(const QUrl& address) {
    browser_->noteHandedOver(address, openExternal && openExternal(address));
    if (browser_->source() == address)
        browser_->reload();
    else
        browser_->setSource(address);
}

const std::vector<HelpItem>& help_items() {
    static const std::vector<HelpItem> items{
        {"About", "About", "about.htm", false},
        {"UserGuide", "User Guide", "user_guide.htm", false},
        {"FAQ", "More Info", "more_info.html", false},
        {"Cases", "Cases", "cases.htm", false},
        {"WePay", "We pay", "/ap_agreement.html", true},
        {"Support", "Support ", "support.htm", false},
    };
    return items;
}

HelpOptions default_help_options(const UiContext& context) {
    return {help::help_folders(context.state.appDir, program_folder()),
            [](const QUrl& url) { return QDesktopServices::openUrl(url); }};
}

HelpWindow* open_help_item(UiContext& context, const HelpItem& item, const HelpOptions& options) {
    auto* window =
        static_cast<HelpWindow*>(context.showOnce("frmHelp", [] { return new HelpWindow; }));
    window->openExternal = options.openExternal;
    window->setWindowTitle(item.caption);
    const QString address =
        item.onWebSite
            ? QString(kWebSite) + item.page
            : QString::fromStdString(help::find_help_page(options.folders, item.page).string());
    window->navigate(address);
    return window;
}

}  // namespace qdx::ui
