#pragma once
// frmHelp, the help viewer: one window reused by every item of the Help
// menu, with its own history and Back and Forward buttons. It never shows a
// message: a page that cannot be read is shown as an unreachable address.
#include <QSet>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <vector>

class QPushButton;

namespace qdx::ui {

class UiContext;

// The program's web site; the "We pay" item opens a page of it.
extern const char* const kWebSite;

// Opens an address in the system's browser; false when none could be started.
using OpenExternal = std::function<bool(const QUrl&)>;

// WebBrowser1: local pages through the text browser; an address it cannot
// read, or a web address (handed to the system's browser), is shown as a
// short page of its own so that it keeps its place in the history.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
  public:
    explicit HelpBrowser(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;

    // Whether the system's browser took the web address: its page says so.
    void noteHandedOver(const QUrl& address, bool started);

  private:
    QSet<QUrl> started_;
};

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows a local page (a file path) or a web address, which is also
    // handed to `openExternal`.
    void navigate(const QString& address);

    HelpBrowser* browser() const { return browser_; }

    // Opens a web address in the system's browser; tests replace it.
    OpenExternal openExternal;

  private:
    void showWebPage(const QUrl& address);

    HelpBrowser* browser_;
    QPushButton* back_;
    QPushButton* forward_;
};

// One item of the Help menu: its action, the viewer caption and the page.
struct HelpItem {
    const char* action;
    const char* caption;
    const char* page;  // a file of the help folders, or a path on the web site
    bool onWebSite;
};
const std::vector<HelpItem>& help_items();

// Where the help window looks for pages and how it opens web addresses.
struct HelpOptions {
    std::vector<std::filesystem::path> folders;  // searched in order
    OpenExternal openExternal;
};
HelpOptions default_help_options(const UiContext& context);

// Shows the one help window with the item's caption and page.
HelpWindow* open_help_item(UiContext& context, const HelpItem& item, const HelpOptions& options);

}  // namespace qdx::ui
