// A collection window as the windows of the subsystems see it: the tree it
// edits, the ouvrages it lists, which of them are selected, their tubes.
//
// The collection windows belong to the program's own windows, above the
// printing, export and search windows that act on them; those reach the
// collection they were given through this interface, which the collection
// window implements, and never include it.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

class TDirBlock;

// One listed ouvrage: its Indice and its Désign.
struct CollectionViewRow {
    std::string Indice;
    std::string Design;
};

class CollectionView {
public:
    virtual ~CollectionView() = default;
    // The window itself: a holder learns through it when the window is gone.
    virtual QWidget* ViewWidget() = 0;
    // The collection's tree.
    virtual TDirBlock& FRoot() = 0;
    // The ouvrages listed, in list order, and one of them.
    virtual int RowCount() const = 0;
    virtual CollectionViewRow RowAt(int row) const = 0;
    // The selected rows (indexes into the list), in list order.
    virtual std::vector<int> GetSelectedRows() const = 0;
    virtual void SelectRows(const std::vector<int>& rows) = 0;
    // The tubes of an ouvrage, the default tube first when asked.
    virtual std::vector<std::string> FillTubeList(const std::string& indice, const std::string& design,
                                                  bool withDefault) const = 0;
};

// A collection window held by a window that may outlive it: null once the
// collection window is destroyed, as a QPointer is.
class CollectionViewPointer {
public:
    CollectionViewPointer() = default;
    CollectionViewPointer(CollectionView* view) : view_(view), widget_(view ? view->ViewWidget() : nullptr) {}

    CollectionView* get() const { return widget_ ? view_ : nullptr; }
    CollectionView* operator->() const { return get(); }
    CollectionView& operator*() const { return *get(); }
    explicit operator bool() const { return get() != nullptr; }

private:
    CollectionView* view_ = nullptr;
    QPointer<QWidget> widget_;
};
