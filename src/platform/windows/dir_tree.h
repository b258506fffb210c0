// TDirTree: a folder tree over the computer's file system, from which the
// export and metafile windows choose their target folder.
//
// On this system the "drives" of the tree are the user's home folder, the
// root of the file system and the removable volumes mounted under /media or
// /run/media; folders are read when their node is first expanded, one level
// ahead, so that a node offers expansion exactly when it has listed
// sub-folders. Paths go in and out as UTF-8 texts ending with "/"; "?" means
// nothing is selected.
#pragma once

#include <QIcon>
#include <QStyle>
#include <QTreeWidget>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QFileSystemWatcher;

// Which folders are listed.
enum TDirType : unsigned {
    dtReadOnly = 1u << 0,
    dtHidden = 1u << 1,
    dtSystem = 1u << 2,
    dtArchive = 1u << 3,
    dtNormal = 1u << 4,
    dtAll = 1u << 5,
};
using TDirTypes = unsigned;

// Which kinds of "drive" are listed: the home folder and the file system's
// root are fixed, mounted volumes removable.
enum TDriveType : unsigned {
    drtUnknown = 1u << 0,
    drtRemovable = 1u << 1,
    drtFixed = 1u << 2,
    drtRemote = 1u << 3,
    drtCDRom = 1u << 4,
    drtRamDisk = 1u << 5,
};
using TDriveTypes = unsigned;
inline constexpr TDriveTypes kAllDriveTypes = drtUnknown | drtRemovable | drtFixed | drtRemote | drtCDRom | drtRamDisk;

class TDirTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit TDirTree(QWidget* parent = nullptr);

    // Builds the drive list when the control is first shown.
    bool ReadOnStart = true;
    // When false, the first level of each fixed drive is read with the drive list.
    bool FastLoad = false;

    TDirTypes DirTypes() const { return dirTypes_; }
    void SetDirTypes(TDirTypes types);
    bool GoBelowRecycleBin() const { return goBelowRecycleBin_; }
    void SetGoBelowRecycleBin(bool on);
    TDriveTypes DriveTypes() const { return driveTypes_; }
    void SetDriveTypes(TDriveTypes types);
    // The folder selected after the first load (default: the current folder).
    const std::string& InitialDirectory() const { return initialDirectory_; }
    void SetInitialDirectory(const std::string& folder);
    // Shared folders carry no overlay on this system; kept for the windows that set it.
    bool ShowShareOverlay = false;
    bool AcceptDropFiles() const { return acceptDropFiles_; }
    void SetAcceptDropFiles(bool on);

    // Asked for every drive root and folder before its node is made.
    std::function<void(const std::string& path, bool& accept)> OnAddDir;
    // Files dropped on a node (its folder), with the keyboard modifiers.
    std::function<void(const std::string& target, const std::vector<std::string>& files, Qt::KeyboardModifiers keys)>
        OnDropFiles;

    // The selected folder, ending with "/", or "?" when none is selected.
    std::string GetSelectedPath() const;
    // Selects the folder, reading and expanding the levels on the way. An
    // empty path raises "Invalid Path Name"; "?" does nothing; a folder that
    // does not exist selects the root that holds the current folder.
    void SetSelectedPath(const std::string& path);
    // Rebuilds the tree and selects again the folder that was selected.
    void Reload();
    // Builds the drive list (done on first showing or first selection).
    void BuildDrives();

    // The node of a folder already in the tree, or null.
    QTreeWidgetItem* FindNode(const std::string& path) const;
    // The folder of a node ("" for null).
    static std::string NodePath(const QTreeWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Drive {
        std::string path;  // ends with "/"
        std::string label;
        TDriveType kind;
    };
    std::vector<Drive> Drives() const;
    bool Accept(const std::string& path);
    bool PassesFilter(const std::string& name) const;
    // Reads the sub-folders of a node once.
    void ReadChildren(QTreeWidgetItem* item);
    void Expanded(QTreeWidgetItem* item);
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const std::string& path, const std::string& label);
    void SelectNode(QTreeWidgetItem* item);
    // The style's icon of a kind, fetched once per kind.
    const QIcon& StandardIcon(QStyle::StandardPixmap kind);

    TDirTypes dirTypes_ = dtNormal | dtAll;
    bool goBelowRecycleBin_ = false;
    TDriveTypes driveTypes_ = kAllDriveTypes;
    std::string initialDirectory_;
    bool acceptDropFiles_ = false;
    bool built_ = false;
    QFileSystemWatcher* mounts_ = nullptr;
    std::map<QStyle::StandardPixmap, QIcon> icons_;
};
