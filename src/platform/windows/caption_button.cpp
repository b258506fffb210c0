#include "platform/windows/caption_button.h"

#include <QEvent>
#include <QStyle>
#include <QToolButton>
#include <QWidget>
#include <algorithm>

#include "platform/ui_services.h"

namespace {

// Each new button takes the next code, so that two buttons of one window
// never answer for each other.
std::uint16_t NextHitCode()
{
    static std::uint16_t counter = 0x4000;
    return ++counter;
}

} // namespace

TCaptionButton::TCaptionButton(QWidget* owner)
    : QObject(owner), owner_(owner), button_(new QToolButton(owner)), hitCode_(NextHitCode())
{
    button_->setObjectName(QStringLiteral("CaptionButton"));
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setAutoRaise(false);
    connect(button_, &QToolButton::clicked, this, GuardedSlot([this] {
                if (OnClick) OnClick();
            }));
    owner_->installEventFilter(this);
    Place();
    button_->setVisible(visible_);
}

TCaptionButton::~TCaptionButton()
{
    if (owner_) owner_->removeEventFilter(this);
}

void TCaptionButton::SetRightMargin(int margin)
{
    if (margin == rightMargin_) return;
    rightMargin_ = margin;
    Place();
}

void TCaptionButton::SetGlyph(const QPixmap& glyph)
{
    glyph_ = glyph;
    button_->setIcon(QIcon(glyph_));
    Place();
}

void TCaptionButton::SetVisible(bool visible)
{
    if (visible == visible_) return;
    visible_ = visible;
    button_->setVisible(visible);
    owner_->update();
}

QRect TCaptionButton::ButtonRect() const
{
    return button_->geometry();
}

void TCaptionButton::Place()
{
    // A title button's size: the caption height less its margins.
    const int caption = std::max(18, owner_->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, owner_));
    const int height = std::max(14, caption - 6);
    const int width = height + 2;
    // RightMargin is the distance from the window's right edge to the
    // button's right side.
    const int left = std::max(0, owner_->width() - rightMargin_ - width);
    button_->setGeometry(left, 2, width, height);
    button_->setIconSize(QSize(width - 4, height - 4));
    button_->raise();
}

bool TCaptionButton::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == owner_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show)) Place();
    return QObject::eventFilter(watched, event);
}
