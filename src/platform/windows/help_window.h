// The help box FHelp and its topics list FRubriques.
//
// The help box shows one RTF text of the program folder's Aide folder. It
// follows the mouse: every 500 ms it looks at the window under the cursor and
// shows the most specific help text named after that window's class chain
// ("TFMain.QMdiArea.TFChild" then "TFMain.QMdiArea" then "TFMain"); a command
// that shows a topic of its own (ShowHelpTopic) stops the following until it
// is set again (HelpFollowAgain), typically when the command's dialog closes.
#pragma once

#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

class QListWidget;
class QTextEdit;
class QTimer;

// The C++ class name of a widget, without namespace or template arguments
// ("TFMain", "QMdiArea"), whether or not the class declares Q_OBJECT.
std::string WidgetClassName(const QWidget* widget);

// The class names of a widget and its parents up to its window, from the
// window down, joined by ".". Qt's anonymous containers (plain QWidget
// viewports and frames) and the frames of document windows (QMdiSubWindow)
// are left out: they are not windows the user sees as such.
std::string WindowClassChain(const QWidget* widget);

class TFHelp : public QWidget {
    Q_OBJECT
public:
    // Shows the topic "Carotix" from `helpFolder` (the program folder's Aide
    // folder when empty), then follows the mouse.
    explicit TFHelp(QWidget* parent = nullptr, std::filesystem::path helpFolder = {});

    QTextEdit* RichEdit1;
    QTimer* Timer1;

    std::string Topic;         // the topic last shown on request
    std::string LastChain;     // the window-class chain last seen under the mouse
    std::string CurrentFile;   // the file shown ("" when the text shown is not a file)
    bool Follow = false;       // follow the mouse

    const std::filesystem::path& HelpFolder() const { return helpFolder_; }
    // The help file of a topic or class chain.
    std::filesystem::path TopicFile(const std::string& name) const;

    // Loads a topic's text when its file exists (then stops following);
    // otherwise nothing changes. Returns whether it was shown.
    bool ShowTopic(const std::string& topic);
    // One tick of the mouse following, for the class chain under the mouse.
    void FollowChain(const std::string& chain);
    // The 500 ms tick: only while following and visible.
    void Timer1Timer();

signals:
    // Shown or hidden: the main window checks "Afficher la boite d'aide" by it.
    void visibilityChanged(bool visible);

protected:
    void showEvent(QShowEvent* event) override;  // FormShow
    void hideEvent(QHideEvent* event) override;  // FormHide

private:
    bool LoadFile(const std::filesystem::path& file);

    std::filesystem::path helpFolder_;
};

extern TFHelp* FHelp;

// Shows a topic in FHelp (nothing without it).
void ShowHelpTopic(const std::string& topic);
// Lets FHelp follow the mouse again.
void HelpFollowAgain();

// One topic of carotix.ini [Aide]: the name listed and the topic shown.
struct HelpTopicLine {
    std::string name;
    std::string topic;
};
// "name=topic" lines in file order; a line without "=" names its own topic.
std::vector<HelpTopicLine> ParseHelpTopicLines(const std::vector<std::string>& lines);

class TFRubriques : public QWidget {
    Q_OBJECT
public:
    // Reads carotix.ini [Aide] (FormCreate); `help` is the help box it drives.
    explicit TFRubriques(TFHelp* help, QWidget* parent = nullptr);

    QListWidget* ListBox1;
    std::vector<HelpTopicLine> Lines;

    // Fills the list from [Aide] lines.
    void SetLines(const std::vector<std::string>& lines);
    // Shows the help box and the topic of list line `row`.
    void ListBox1Click(int row);

protected:
    void showEvent(QShowEvent* event) override;    // FormShow: sits against the help box's left side
    void closeEvent(QCloseEvent* event) override;  // FormClose: the help box follows the mouse again

private:
    QPointer<TFHelp> help_;
};

extern TFRubriques* FRubriques;
