// The about box FAbout: the program's name, the date of its last change and
// the change history (changelog.rtf).
#pragma once

#include <QDialog>
#include <filesystem>
#include <string>

class QLabel;
class QPushButton;
class QTextEdit;

// changelog.rtf of the current folder, else that of the program folder
// (started from elsewhere, the program still finds its own history); empty
// when neither exists.
std::filesystem::path FindChangelog(const std::filesystem::path& currentFolder,
                                    const std::filesystem::path& programFolder);

// "Dernière modif. : " followed by the date and time of the file's last
// change, as dd/mm/yyyy hh:mm:ss (just the label when the file has none).
std::string LastChangeText(const std::filesystem::path& file);

class TFAbout : public QDialog {
    Q_OBJECT
public:
    // FormCreate: fills LModif from the executable and loads the change history.
    explicit TFAbout(QWidget* parent = nullptr);

    QLabel* LTitre;
    QLabel* LModif;
    QTextEdit* RichEdit1;
    QPushButton* BOk;

    std::filesystem::path ChangelogFile;  // the file shown; empty when none was found

    // Reloads both from the given places (the program does it once, at creation).
    void Fill(const std::filesystem::path& executable, const std::filesystem::path& currentFolder,
              const std::filesystem::path& programFolder);
};

extern TFAbout* FAbout;
