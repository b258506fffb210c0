#include "platform/windows/dir_tree.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QMimeData>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "platform/base/text_codec.h"
#include "platform/ui_services.h"

namespace fs = std::filesystem;

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kReadRole = Qt::UserRole + 1;

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toUtf8().toStdString(); }

std::string WithSlash(std::string p)
{
    if (p.empty() || p.back() != '/') p += '/';
    return p;
}

bool IsDirectory(const std::string& path)
{
    std::error_code ec;
    return fs::is_directory(Utf8ToPath(path), ec);
}

// The mount folders of the user's removable volumes.
std::vector<std::string> MountFolders()
{
    std::vector<std::string> folders;
    const char* user = std::getenv("USER");
    if (!user || !*user) return folders;
    for (const char* base : {"/media/", "/run/media/"})
        if (IsDirectory(std::string(base) + user)) folders.push_back(std::string(base) + user);
    return folders;
}

// Folders below the trash stay out of the tree (the trash itself shows).
bool BelowRecycleBin(const std::string& path)
{
    const std::string lower = LowerCaseAscii(path);
    const std::string mark = "/.local/share/trash/";
    const std::size_t at = lower.find(mark);
    return at != std::string::npos && at > 0 && lower.size() > at + mark.size();
}

} // namespace

TDirTree::TDirTree(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("DirTree"));
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemExpanded, this, GuardedSlot([this](QTreeWidgetItem* item) { Expanded(item); }));
    connect(this, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
        if (item->parent()) item->setIcon(0, StandardIcon(QStyle::SP_DirIcon));
    });
    // Volumes that appear or disappear change the drive list.
    const std::vector<std::string> mounts = MountFolders();
    if (!mounts.empty()) {
        mounts_ = new QFileSystemWatcher(this);
        for (const std::string& m : mounts) mounts_->addPath(Q(m));
        connect(mounts_, &QFileSystemWatcher::directoryChanged, this, GuardedSlot([this] {
                    if (built_) Reload();
                }));
    }
}

void TDirTree::SetDirTypes(TDirTypes types)
{
    if (types == dirTypes_) return;
    dirTypes_ = types;
    if (built_) Reload();
}

void TDirTree::SetGoBelowRecycleBin(bool on)
{
    if (on == goBelowRecycleBin_) return;
    goBelowRecycleBin_ = on;
    if (built_) Reload();
}

void TDirTree::SetDriveTypes(TDriveTypes types)
{
    if (types == driveTypes_) return;
    driveTypes_ = types;
    if (built_) Reload();
}

void TDirTree::SetInitialDirectory(const std::string& folder)
{
    initialDirectory_ = folder;
    if (built_ && !folder.empty()) SetSelectedPath(folder);
}

void TDirTree::SetAcceptDropFiles(bool on)
{
    acceptDropFiles_ = on;
    setAcceptDrops(on);
    viewport()->setAcceptDrops(on);
    setDropIndicatorShown(on);
}

std::vector<TDirTree::Drive> TDirTree::Drives() const
{
    std::vector<Drive> drives;
    const std::string home = WithSlash(S(QDir::homePath()));
    if (home != "/" && IsDirectory(home)) drives.push_back({home, "Dossier personnel", drtFixed});
    drives.push_back({"/", "Syst\xC3\xA8me de fichiers", drtFixed});
    for (const std::string& base : MountFolders()) {
        std::error_code ec;
        std::vector<std::string> names;
        for (fs::directory_iterator it(Utf8ToPath(base), ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code dirEc;
            if (it->is_directory(dirEc)) names.push_back(PathToUtf8(it->path().filename()));
        }
        std::sort(names.begin(), names.end());
        for (const std::string& n : names) drives.push_back({WithSlash(base + "/" + n), n, drtRemovable});
    }
    std::vector<Drive> kept;
    for (const Drive& d : drives)
        if (driveTypes_ & d.kind) kept.push_back(d);
    return kept;
}

bool TDirTree::Accept(const std::string& path)
{
    if (!goBelowRecycleBin_ && BelowRecycleBin(path)) return false;
    bool accept = true;
    if (OnAddDir) OnAddDir(path, accept);
    return accept;
}

bool TDirTree::PassesFilter(const std::string& name) const
{
    if (dirTypes_ & dtAll) return true;
    const bool hidden = !name.empty() && name[0] == '.';
    return hidden ? (dirTypes_ & dtHidden) != 0 : (dirTypes_ & dtNormal) != 0;
}

QTreeWidgetItem* TDirTree::AddNode(QTreeWidgetItem* parent, const std::string& path, const std::string& label)
{
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, Q(label));
    item->setData(0, kPathRole, Q(path));
    item->setData(0, kReadRole, false);
    item->setIcon(0, StandardIcon(QStyle::SP_DirIcon));
    return item;
}

void TDirTree::BuildDrives()
{
    BusyCursor busy;
    setUpdatesEnabled(false);
    clear();
    built_ = true;
    for (const Drive& d : Drives()) {
        if (!Accept(d.path)) continue;
        QTreeWidgetItem* item = AddNode(nullptr, d.path, d.label);
        item->setIcon(0, StandardIcon(d.kind == drtRemovable ? QStyle::SP_DriveCDIcon
                                      : d.path == "/"        ? QStyle::SP_DriveHDIcon
                                                             : QStyle::SP_DirHomeIcon));
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        if (!FastLoad && d.kind == drtFixed) ReadChildren(item);
    }
    setUpdatesEnabled(true);
}

void TDirTree::ReadChildren(QTreeWidgetItem* item)
{
    if (!item || item->data(0, kReadRole).toBool()) return;
    item->setData(0, kReadRole, true);
    const std::string path = NodePath(item);
    std::vector<std::string> names;
    std::error_code ec;
    // Unreadable folders are passed over without a word.
    for (fs::directory_iterator it(Utf8ToPath(path), fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        std::error_code dirEc;
        if (!it->is_directory(dirEc)) continue;
        const std::string name = PathToUtf8(it->path().filename());
        if (!PassesFilter(name)) continue;
        if (!Accept(path + name + "/")) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int c = CompareTextNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    for (const std::string& name : names) AddNode(item, path + name + "/", name);
    if (item->parent() || item->childCount() > 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TDirTree::Expanded(QTreeWidgetItem* item)
{
    ReadChildren(item);
    for (int i = 0; i < item->childCount(); ++i) ReadChildren(item->child(i));
    if (item->parent()) item->setIcon(0, StandardIcon(QStyle::SP_DirOpenIcon));
}

const QIcon& TDirTree::StandardIcon(QStyle::StandardPixmap kind)
{
    // The style makes a new icon at every call, looking it up in the icon
    // theme each time: once per folder, a tree of a few hundred folders took
    // a second to show.
    auto it = icons_.find(kind);
    if (it == icons_.end()) it = icons_.emplace(kind, style()->standardIcon(kind)).first;
    return it->second;
}

std::string TDirTree::NodePath(const QTreeWidgetItem* item)
{
    return item ? S(item->data(0, kPathRole).toString()) : std::string();
}

std::string TDirTree::GetSelectedPath() const
{
    const QTreeWidgetItem* item = currentItem();
    return item ? NodePath(item) : std::string("?");
}

QTreeWidgetItem* TDirTree::FindNode(const std::string& path) const
{
    const std::string target = WithSlash(path);
    std::vector<QTreeWidgetItem*> stack;
    for (int i = 0; i < topLevelItemCount(); ++i) stack.push_back(topLevelItem(i));
    while (!stack.empty()) {
        QTreeWidgetItem* item = stack.back();
        stack.pop_back();
        const std::string p = NodePath(item);
        if (p == target) return item;
        if (target.compare(0, p.size(), p) == 0)
            for (int i = 0; i < item->childCount(); ++i) stack.push_back(item->child(i));
    }
    return nullptr;
}

void TDirTree::SelectNode(QTreeWidgetItem* item)
{
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent()) up->setExpanded(true);
    setCurrentItem(item);
    scrollToItem(item);
}

void TDirTree::SetSelectedPath(const std::string& given)
{
    if (given.empty()) throw std::runtime_error("Invalid Path Name");
    if (given == "?") return;
    if (!built_) BuildDrives();
    std::error_code ec;
    std::string path = WithSlash(PathToUtf8(fs::absolute(Utf8ToPath(given), ec).lexically_normal()));
    if (ec) path = WithSlash(given);
    const std::string current = WithSlash(PathToUtf8(fs::current_path(ec)));
    const bool exists = IsDirectory(path);

    // The root of the "drive" that holds the folder: the longest root path
    // that begins it (the home folder before the file system's root).
    auto rootFor = [this](const std::string& p) -> QTreeWidgetItem* {
        QTreeWidgetItem* best = nullptr;
        std::size_t bestLen = 0;
        for (int i = 0; i < topLevelItemCount(); ++i) {
            const std::string r = NodePath(topLevelItem(i));
            if (p.compare(0, r.size(), r) == 0 && r.size() >= bestLen) {
                best = topLevelItem(i);
                bestLen = r.size();
            }
        }
        return best;
    };
    // A folder that is gone selects the root that holds the current folder.
    QTreeWidgetItem* node = exists ? rootFor(path) : nullptr;
    if (!node) {
        node = rootFor(current);
        path = NodePath(node);
    }
    if (!node) return;

    BusyCursor busy;
    setUpdatesEnabled(false);
    std::string rest = path.substr(NodePath(node).size());
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string level = rest.substr(0, slash);
        rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
        if (level.empty()) continue;
        ReadChildren(node);
        auto find = [&]() -> QTreeWidgetItem* {
            for (int i = 0; i < node->childCount(); ++i)
                if (node->child(i)->text(0) == Q(level)) return node->child(i);
            for (int i = 0; i < node->childCount(); ++i)
                if (SameTextNoCase(S(node->child(i)->text(0)), level)) return node->child(i);
            return nullptr;
        };
        QTreeWidgetItem* next = find();
        if (!next) {
            // The folder may have been made since the node was read (by
            // another program, or by an export): read the node again once.
            qDeleteAll(node->takeChildren());
            node->setData(0, kReadRole, false);
            ReadChildren(node);
            next = find();
        }
        if (!next) break;
        node = next;
    }
    SelectNode(node);
    setUpdatesEnabled(true);
}

void TDirTree::Reload()
{
    const std::string selected = GetSelectedPath();
    BuildDrives();
    if (selected == "?") return;
    try {
        SetSelectedPath(selected);
    } catch (...) {
    }
    if (currentItem() == nullptr && topLevelItemCount() > 0) SelectNode(topLevelItem(0));
}

void TDirTree::showEvent(QShowEvent* event)
{
    QTreeWidget::showEvent(event);
    if (!built_ && ReadOnStart) {
        BuildDrives();
        RunGuarded([this] { SetSelectedPath(initialDirectory_.empty() ? PathToUtf8(fs::current_path()) : initialDirectory_); });
    }
}

void TDirTree::changeEvent(QEvent* event)
{
    // Another style has other icons.
    if (event->type() == QEvent::StyleChange) icons_.clear();
    QTreeWidget::changeEvent(event);
}

void TDirTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (acceptDropFiles_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDirTree::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptDropFiles_ && event->mimeData()->hasUrls() && itemAt(event->position().toPoint()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDirTree::dropEvent(QDropEvent* event)
{
    if (!acceptDropFiles_ || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    std::vector<std::string> files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files.push_back(S(url.toLocalFile()));
    event->acceptProposedAction();
    if (target && OnDropFiles && !files.empty()) {
        const std::string folder = NodePath(target);
        const Qt::KeyboardModifiers keys = event->modifiers();
        RunGuarded([&] { OnDropFiles(folder, files, keys); });
    }
}
