#include "app/windows/desk_window.h"

#include <QGuiApplication>
#include <QScreen>

TFDesk* FDesk = nullptr;

TFDesk::TFDesk(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FDesk"));
    setAttribute(Qt::WA_QuitOnClose, false);
    const QScreen* screen = QGuiApplication::primaryScreen();
    DeskRect = DeskOf(screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768));
}

TRect TFDesk::DeskOf(const QRect& workArea)
{
    return TRect{workArea.left() + 4, workArea.top() + 4, workArea.left() + workArea.width() - 4,
                 workArea.top() + workArea.height() - 4};
}
