// TCaptionButton: a push button with a picture beside a window's title, used
// by the title-block editor as its accept button and by the spreadsheet.
//
// The window manager of this system paints the title bar itself and gives
// programs no way into it, so the button stands at the top right of the
// owner window's client area, its right side RightMargin pixels from the
// window's right edge, and follows the window as it is resized. It fires
// OnClick when pressed and released on it; a press moved off the button and
// released elsewhere does nothing.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QRect>
#include <cstdint>
#include <functional>

class QToolButton;
class QWidget;

class TCaptionButton : public QObject {
    Q_OBJECT
public:
    explicit TCaptionButton(QWidget* owner);
    ~TCaptionButton() override;

    int RightMargin() const { return rightMargin_; }
    void SetRightMargin(int margin);
    const QPixmap& Glyph() const { return glyph_; }
    void SetGlyph(const QPixmap& glyph);  // copied
    bool Visible() const { return visible_; }
    void SetVisible(bool visible);

    std::function<void()> OnClick;

    // The code that tells this button from the other caption buttons.
    std::uint16_t HitCode() const { return hitCode_; }
    // The button's rectangle in the owner's client coordinates.
    QRect ButtonRect() const;
    QToolButton* Button() const { return button_; }

    static constexpr int kDefaultRightMargin = 100;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();

    QWidget* owner_;
    QToolButton* button_;
    QPixmap glyph_;
    int rightMargin_ = kDefaultRightMargin;
    bool visible_ = true;
    std::uint16_t hitCode_;
};
