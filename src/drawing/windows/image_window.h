// TFImage: the equipment picture window, "Image". A small sizeable tool window
// that stays on top and shows the whole equipment (open hole, casing, annular
// fill and fill between tubes, over the ground and its levels) of the ouvrage
// shown in the log window, redrawn to the window's size whenever it is
// resized, shown, or the log window's ouvrage or data change.
#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

class QAction;
class TDirBlock;

// The picture area filling the window.
class TImageArea : public QWidget {
    Q_OBJECT
public:
    explicit TImageArea(QWidget* parent) : QWidget(parent) {}
    QImage Bitmap;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class TFImage : public QWidget {
    Q_OBJECT
public:
    explicit TFImage(QWidget* parent = nullptr);  // FormCreate
    ~TFImage() override;

    static constexpr const char* kCaption = "Image";

    // What the log window shows: the collection (null for none), the
    // ouvrage's path and designation.
    struct ShownOuvrage {
        const TDirBlock* Root = nullptr;
        std::string Indice;
        std::string Designation;
    };
    // Where the ouvrage comes from; by default the log window.
    std::function<ShownOuvrage()> Source;

    // FormResize: draws the picture of the shown ouvrage when the window is
    // visible; without a collection the picture is hidden.
    void FormResize();

    // The main window's menu item that shows this window: ticked while it is
    // shown.
    static void SetMenuItem(QAction* item);
    static QAction* MenuItem();

    TImageArea* Image1;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;  // FormShow
    void hideEvent(QHideEvent* event) override;  // FormHide

private:
    // Its first place: see PlaceBesideLog.
    void PlaceBesideLog();

    bool placed_ = false;
    static QPointer<QAction> menuItem_;
};

extern TFImage* FImage;
