#include "platform/windows/info_window.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "platform/base/ini_file.h"
#include "platform/base/text_codec.h"
#include "platform/windows/qt_ui_services.h"
#include "store/templates.h"

TFInfo* FInfo = nullptr;

InfoLayout LayoutInfoText(std::string_view text, const InfoMeasure& measure)
{
    InfoLayout layout;
    int y = 0;
    int width = 0;
    std::string_view work = text;
    while (!work.empty()) {
        int x = 0;
        int lineHeight = 0;
        bool lineGoesOn = true;
        while (lineGoesOn) {
            std::size_t crlf = work.find("\r\n");
            std::size_t tab = work.find('\t');
            bool isTab = tab != std::string_view::npos && (crlf == std::string_view::npos || tab < crlf);
            std::size_t cut = isTab ? tab : crlf;
            std::string piece(work.substr(0, cut));
            if (cut == std::string_view::npos) {
                work = {};
            } else {
                work.remove_prefix(cut + (isTab ? 1 : 2));
            }
            InfoTextSize size = measure(piece);
            layout.pieces.push_back(InfoPiece{x + 2, y + 2, std::move(piece)});
            x += size.width;
            lineHeight = std::max(lineHeight, size.height);
            if (isTab) {
                // Tab stops every 56 pixels from 60 on.
                x = 56 * (x / 56 + 1) + 4;
                lineGoesOn = !work.empty();
            } else {
                lineGoesOn = false;
            }
        }
        width = std::max(width, x);
        y += lineHeight;
    }
    layout.width = width;
    layout.height = y;
    return layout;
}

TFInfo::TFInfo(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("FInfo"));
    setWindowTitle(QStringLiteral("Informations"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(false);
    resize(4, 4);
}

InfoTextSize TFInfo::Measure(const std::string& piece) const
{
    QFontMetrics fm(font());
    return InfoTextSize{fm.horizontalAdvance(ToQString(piece)), fm.height()};
}

void TFInfo::SetText(const std::string& text)
{
    Text = text;
    InfoLayout layout = LayoutInfoText(text, [this](const std::string& piece) { return Measure(piece); });
    Pieces = std::move(layout.pieces);
    resize(layout.width + 4, layout.height + 4);
    update();
}

void TFInfo::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.setBrush(palette().color(QPalette::ToolTipBase));
    painter.drawRect(0, 0, width() - 1, height() - 1);
    painter.setFont(font());
    QFontMetrics fm(font());
    for (const InfoPiece& p : Pieces) painter.drawText(p.x, p.y + fm.ascent(), ToQString(p.text));
}

void InfoSetText(const std::string& text)
{
    if (FInfo) FInfo->SetText(text);
}

std::string TooltipText(const std::filesystem::path& templateFile, const TDirBlock& root, const std::string& indice,
                        const std::string& design)
{
    std::string bytes;
    if (!ReadFileBounded(templateFile, bytes, nullptr)) return {};
    std::string decoded = DecodeTextFile(bytes);
    std::string templ;
    templ.reserve(decoded.size() + decoded.size() / 8);
    for (std::size_t i = 0; i < decoded.size(); ++i) {
        char c = decoded[i];
        if (c == '\r') {
            templ += "\r\n";
            if (i + 1 < decoded.size() && decoded[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            templ += "\r\n";
        } else {
            templ += c;
        }
    }
    std::string result;
    ExpandFields(templ, root, indice, result, "", design);
    return result;
}

void TooltipMouseMove(QWidget* owner, QWidget* control, QPoint point, bool tooltipsOn, std::uint8_t& tooltipState,
                      int& hoverRow, const std::function<int()>& rowAtMouse,
                      const std::function<std::string(int row)>& tooltipText)
{
    if (!FInfo || !control) return;
    if (!control->rect().contains(point) || !tooltipsOn) {
        if (tooltipState == 2) {
            FInfo->hide();
            if (QWidget::mouseGrabber() == control) control->releaseMouse();
            tooltipState = 0;
        }
        return;
    }
    if (tooltipState != 0 && tooltipState != 2) return;
    if (tooltipState == 0) {
        tooltipState = 1;
        FInfo->show();
    }
    QPoint global = control->mapToGlobal(point);
    FInfo->move(global.x() + kTooltipCursorWidth, global.y());
    int row = rowAtMouse ? rowAtMouse() : -1;
    if (row != hoverRow || FInfo->Owner != owner) {
        if (row == -1) {
            FInfo->SetText("Pas d'information");
        } else {
            std::string text = tooltipText ? tooltipText(row) : std::string();
            if (text != FInfo->Text) FInfo->SetText(text);
        }
        hoverRow = row;
        FInfo->Owner = owner;
    }
    tooltipState = 2;
    if (QWidget::mouseGrabber() != control) control->grabMouse();
}

void TooltipDeactivate(QWidget* control, std::uint8_t& tooltipState)
{
    if (tooltipState != 2) return;
    // The grab may be held by one of the window's views rather than the
    // window itself.
    QWidget* grabber = QWidget::mouseGrabber();
    if (control && grabber && (grabber == control || control->isAncestorOf(grabber))) grabber->releaseMouse();
    if (FInfo && FInfo->isVisible()) FInfo->hide();
    tooltipState = 0;
}
