#include "drawing/windows/bandeau_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QSpinBox>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>

#include "platform/windows/caption_button.h"
#include "drawing/rounding.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFBandeau* FBandeau = nullptr;

namespace {

constexpr TColor kSelectedColour = 0xE0C0C0;

// The drawing surface: shows the form's picture and hands the mouse over.
class BandeauSurface : public QWidget {
public:
    explicit BandeauSurface(TFBandeau* form) : QWidget(form), form_(form)
    {
        setMouseTracking(true);
        setObjectName(QStringLiteral("Surface"));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.drawImage(0, 0, form_->Picture());
    }
    void resizeEvent(QResizeEvent*) override { RunGuarded([this] { form_->Repaint(); }); }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton) return;
        const QPoint p = e->position().toPoint();
        RunGuarded([&] { form_->SurfaceMouseDown(p.x(), p.y(), e->modifiers() & Qt::ControlModifier); });
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        const QPoint p = e->position().toPoint();
        RunGuarded([&] { form_->SurfaceMouseMove(p.x(), p.y()); });
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton) return;
        RunGuarded([&] { form_->SurfaceMouseUp(e->modifiers() & Qt::ControlModifier); });
    }

private:
    TFBandeau* form_;
};

QToolButton* AlignButton(QToolBar* bar, const char* name, const QString& text)
{
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromUtf8(name));
    b->setText(text);
    b->setCheckable(true);
    bar->addWidget(b);
    return b;
}

}  // namespace

TFBandeau::TFBandeau(QWidget* parent) : QDialog(parent)
{
    // Every log drawn from now on reads the title block loaded here.
    for (const std::string& message : BandeauChargerCarotix())
        std::fprintf(stderr, "carotix.ini [Bandeau]: %s\n", message.c_str());
    editor_ = BandeauEditor();
    setObjectName(QStringLiteral("FBandeau"));
    setWindowTitle(ToQString(kBandeauCaption));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    ToolBar1 = new QToolBar(this);
    ToolBar1->addWidget(new QLabel(QStringLiteral("Taille verticale "), ToolBar1));
    SpinTailleBandeau = new QSpinBox(ToolBar1);
    SpinTailleBandeau->setObjectName(QStringLiteral("SpinTailleBandeau"));
    SpinTailleBandeau->setRange(1, 100);
    SpinTailleBandeau->setValue(9);
    SpinTailleBandeau->findChild<QLineEdit*>()->setReadOnly(true);
    ToolBar1->addWidget(SpinTailleBandeau);
    ToolBar1->addWidget(new QLabel(QStringLiteral("%"), ToolBar1));
    ToolBar1->addSeparator();
    ToolBar1->addWidget(new QLabel(QStringLiteral("Mode  "), ToolBar1));
    CMode = new QComboBox(ToolBar1);
    CMode->setObjectName(QStringLiteral("CMode"));
    CMode->addItems({QStringLiteral("Texte"), QStringLiteral("Ligne"), QStringLiteral("S\u00E9lection")});
    ToolBar1->addWidget(CMode);
    ToolSuppr = new QToolButton(ToolBar1);
    ToolSuppr->setObjectName(QStringLiteral("ToolSuppr"));
    ToolSuppr->setText(QStringLiteral("\u2715"));
    ToolSuppr->setToolTip(QStringLiteral("Supprimer les \u00E9l\u00E9ments s\u00E9lectionn\u00E9s"));
    ToolBar1->addWidget(ToolSuppr);
    textControls_ << ToolBar1->addSeparator();
    textControls_ << ToolBar1->addWidget(new QLabel(QStringLiteral("Taille de texte "), ToolBar1));
    SpinH = new QSpinBox(ToolBar1);
    SpinH->setObjectName(QStringLiteral("SpinH"));
    SpinH->setRange(1, 100);
    SpinH->setValue(15);
    textControls_ << ToolBar1->addWidget(SpinH);
    textControls_ << ToolBar1->addWidget(new QLabel(QStringLiteral("o/oo"), ToolBar1));
    textControls_ << ToolBar1->addSeparator();
    textControls_ << ToolBar1->addWidget(new QLabel(QStringLiteral("Texte "), ToolBar1));
    EditText = new QLineEdit(ToolBar1);
    EditText->setObjectName(QStringLiteral("EditText"));
    textControls_ << ToolBar1->addWidget(EditText);
    textControls_ << ToolBar1->addSeparator();
    LeftAlign = AlignButton(ToolBar1, "LeftAlign", QStringLiteral("G"));
    CenterAlign = AlignButton(ToolBar1, "CenterAlign", QStringLiteral("C"));
    RightAlign = AlignButton(ToolBar1, "RightAlign", QStringLiteral("D"));
    for (QAction* a : ToolBar1->actions())
        if (ToolBar1->widgetForAction(a) == LeftAlign || ToolBar1->widgetForAction(a) == CenterAlign ||
            ToolBar1->widgetForAction(a) == RightAlign)
            textControls_ << a;
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    group->addButton(LeftAlign);
    group->addButton(CenterAlign);
    group->addButton(RightAlign);
    LeftAlign->setChecked(true);
    Surface = new BandeauSurface(this);
    layout->addWidget(Surface, 1);
    StatusBar1 = new QLabel(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    layout->addWidget(StatusBar1);
    CaptionButton1 = new TCaptionButton(this);
    CaptionButton1->SetRightMargin(8);
    {
        // The accept button's glyph: a check mark on the button face.
        QPixmap glyph(16, 14);
        glyph.fill(palette().color(QPalette::Button));
        QPainter p(&glyph);
        QFont f = font();
        f.setBold(true);
        f.setPixelSize(13);
        p.setFont(f);
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawText(glyph.rect(), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("\u2714"));
        p.end();
        CaptionButton1->SetGlyph(glyph);
    }
    CaptionButton1->OnClick = [this] { RunGuarded([this] { CaptionButton1Click(); }); };
    {
        // The tool bar's row leaves the caption button its corner, so that
        // the button never lies over a control.
        auto* row = new QHBoxLayout;
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(0);
        row->addWidget(ToolBar1, 1);
        row->addSpacing(CaptionButton1->ButtonRect().width() + CaptionButton1->RightMargin() + 4);
        layout->insertLayout(0, row);
    }

    connect(SpinTailleBandeau, qOverload<int>(&QSpinBox::valueChanged), this,
            GuardedSlot([this] { SpinTailleBandeauChange(); }));
    connect(CMode, qOverload<int>(&QComboBox::currentIndexChanged), this, GuardedSlot([this] { CModeChange(); }));
    connect(ToolSuppr, &QToolButton::clicked, this, GuardedSlot([this] { ToolSupprClick(); }));
    connect(SpinH, qOverload<int>(&QSpinBox::valueChanged), this, GuardedSlot([this] { SpinHExit(); }));
    connect(EditText, &QLineEdit::textChanged, this, GuardedSlot([this] { EditTextChange(); }));
    for (QToolButton* b : {LeftAlign, CenterAlign, RightAlign})
        connect(b, &QToolButton::clicked, this, GuardedSlot([this] { AlignClick(); }));

    // Wide enough for the tool bar of the "Texte" mode (all its controls
    // shown, as they are now) beside the caption button.
    const int need = ToolBar1->sizeHint().width() + CaptionButton1->ButtonRect().width() + CaptionButton1->RightMargin() + 4;
    CMode->setCurrentIndex(2);
    CModeChange();
    SpinTailleBandeau->setValue(std::clamp(OptTailleBandeau, 1, 100));
    resize(std::max(700, need), 200);
    FormResize();
    if (!FBandeau) FBandeau = this;
}

TFBandeau::~TFBandeau()
{
    if (FBandeau == this) FBandeau = nullptr;
}

void TFBandeau::FormShow()
{
    editor_.TakeCopy();
    askOnClose_ = true;
    Repaint();
}

void TFBandeau::FormResize()
{
    const int w = width();
    const int band = RoundHalfEven(w * std::sqrt(2.0) / 100.0 * SpinTailleBandeau->value());
    resize(w, band + ToolBar1->sizeHint().height() + StatusBar1->sizeHint().height());
    Repaint();
}

void TFBandeau::SpinTailleBandeauChange()
{
    editor_.SetTaille(SpinTailleBandeau->value());
    FormResize();
}

void TFBandeau::CModeChange()
{
    const int i = CMode->currentIndex();
    editor_.SetMode(i == 0 ? BandeauMode::Texte : i == 1 ? BandeauMode::Ligne : BandeauMode::Selection);
    for (QAction* a : textControls_) a->setVisible(i == 0);
    Repaint();
}

void TFBandeau::SpinHExit()
{
    if (painting_) return;
    if (editor_.ApplySize(SpinH->value()) && isVisible()) Repaint();
}

void TFBandeau::EditTextChange()
{
    if (painting_) return;
    if (editor_.ApplyText(FromQString(EditText->text())) && isVisible()) Repaint();
}

void TFBandeau::AlignClick()
{
    const std::uint8_t align = RightAlign->isChecked() ? 3 : CenterAlign->isChecked() ? 2 : 1;
    if (painting_) {
        editor_.AlignChoice = align;
        return;
    }
    if (editor_.ApplyAlign(align) && isVisible()) Repaint();
}

void TFBandeau::ToolSupprClick()
{
    editor_.DeleteSelected();
    Repaint();
}

void TFBandeau::CaptionButton1Click()
{
    askOnClose_ = false;
    editor_.Accept();
    accept();
}

void TFBandeau::SurfaceMouseDown(int x, int y, bool ctrl)
{
    editor_.MouseDown(x, y, ctrl);
    Repaint();
}

void TFBandeau::SurfaceMouseMove(int x, int y)
{
    editor_.MouseMove(x, y);
    StatusBar1->setText(ToQString(editor_.StatusText()));
    Repaint();
}

void TFBandeau::SurfaceMouseUp(bool ctrl)
{
    editor_.MouseUp(ctrl);
    Repaint();
}

void TFBandeau::Repaint()
{
    if (painting_ || !Surface) return;
    painting_ = true;
    try {
        Paint();
    } catch (...) {
        painting_ = false;
        throw;
    }
    painting_ = false;
    Surface->update();
}

void TFBandeau::Paint()
{
    const QSize size = Surface->size();
    if (bitmap_.size() != size) bitmap_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    bitmap_.fill(Qt::white);
    const TRect band{5, 5, size.width() - 5, size.height() - 5};
    editor_.SetBandRect(band);
    {
        QPainterCanvas c(&bitmap_);
        c.Brush = TBrush{BrushStyle::Clear, clWhite};
        c.Pen = TPen{PenStyle::Solid, clBlack, 2};
        c.MoveTo(band.Left, band.Top);
        c.LineTo(band.Right, band.Top);
        c.MoveTo(band.Left, band.Top);
        c.LineTo(band.Left, size.height());
        c.MoveTo(band.Right, band.Top);
        c.LineTo(band.Right, size.height());
        c.Pen.Width = 1;
        c.MoveTo(band.Left, band.Bottom);
        c.LineTo(band.Right, band.Bottom);
        c.Font.Name = "Verdana";
        for (const TBandeauObjet& o : BandeauObjets) {
            const TPoint a = editor_.ToPixels(o.x1, o.y1), b = editor_.ToPixels(o.x2, o.y2);
            if (!o.IsLine()) {
                const TRect r{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
                if (o.Selected) {
                    c.Brush = TBrush{BrushStyle::Solid, kSelectedColour};
                    c.FillRect(r);
                }
                if (editor_.Mode() == BandeauMode::Texte) {
                    c.Brush.Style = BrushStyle::Clear;
                    c.Pen = TPen{PenStyle::Dot, clBlack, 1};
                    c.Rectangle(r);
                    c.Pen = TPen{PenStyle::Solid, clBlack, 1};
                }
                c.Font.Height = RoundHalfEven(static_cast<double>(band.Width()) / 1000.0 * o.Size);
                c.Brush.Style = BrushStyle::Clear;
                const std::int32_t w = c.TextWidth(o.Text);
                const std::int32_t x = o.Align == 2 ? (r.Left + r.Right - w) / 2 : o.Align == 3 ? r.Right - w : r.Left;
                if (!o.Text.empty()) c.TextRect(r, x, r.Top, o.Text);
            } else {
                if (o.Selected) {
                    c.Pen = TPen{PenStyle::Solid, kSelectedColour, 5};
                    c.MoveTo(a.X, a.Y);
                    c.LineTo(b.X, b.Y);
                }
                c.Pen = TPen{PenStyle::Solid, clBlack, 1};
                c.MoveTo(a.X, a.Y);
                c.LineTo(b.X, b.Y);
            }
        }
        // The rubber rectangle or line of the gesture under way.
        const BandeauGesture g = editor_.Gesture();
        if (g == BandeauGesture::TextRect || g == BandeauGesture::SelectRect || g == BandeauGesture::Line) {
            const TPoint s = editor_.ToPixels(editor_.Start().X, editor_.Start().Y);
            const TPoint e = editor_.ToPixels(editor_.Current().X, editor_.Current().Y);
            c.Brush.Style = BrushStyle::Clear;
            c.Pen = TPen{g == BandeauGesture::Line ? PenStyle::Solid : PenStyle::Dot, clGray, 1};
            if (g == BandeauGesture::Line) {
                c.MoveTo(s.X, s.Y);
                c.LineTo(e.X, e.Y);
            } else {
                c.Rectangle(std::min(s.X, e.X), std::min(s.Y, e.Y), std::max(s.X, e.X) + 1, std::max(s.Y, e.Y) + 1);
            }
        }
    }
    // The text controls show the selected texts.
    const BandeauSelectionSummary sum = editor_.SelectionSummary();
    if (sum.AnyText) {
        SpinH->setValue(std::clamp(sum.Size, 1, 100));
        editor_.SpinH = SpinH->value();
        if (sum.Text) {
            EditText->setText(ToQString(*sum.Text));
            editor_.EditText = *sum.Text;
        }
        if (sum.Align == 1) LeftAlign->setChecked(true);
        if (sum.Align == 2) CenterAlign->setChecked(true);
        if (sum.Align == 3) RightAlign->setChecked(true);
        if (sum.Align != 0) editor_.AlignChoice = sum.Align;
    }
}

void TFBandeau::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded([this] { FormShow(); });
}

void TFBandeau::hideEvent(QHideEvent* event)
{
    bitmap_ = QImage();
    QDialog::hideEvent(event);
}

void TFBandeau::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && !EditText->hasFocus()) {
        RunGuarded([this] { ToolSupprClick(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFBandeau::reject()
{
    bool close = true;
    RunGuarded([&] { close = editor_.CloseQuery(askOnClose_); });
    if (!close) return;
    // "Oui" keeps the changes as the caption button does.
    if (BandeauModifie) QDialog::accept();
    else QDialog::reject();
    Repaint();
}
