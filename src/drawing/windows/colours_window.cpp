#include "drawing/windows/colours_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QSlider>

#include "drawing/windows/palette_window.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"

TFCouleurs* FCouleurs = nullptr;

namespace {

QString ColourStyle(TColor c, int outline)
{
    return QStringLiteral("background-color: rgb(%1,%2,%3); border: %4px solid black;")
        .arg(ColorRed(c))
        .arg(ColorGreen(c))
        .arg(ColorBlue(c))
        .arg(outline);
}

QPixmap PlanePixmap(const std::vector<TColor>& pixels, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const TColor c = pixels[static_cast<std::size_t>(y * w + x)];
            image.setPixelColor(x, y, QColor(ColorRed(c), ColorGreen(c), ColorBlue(c)));
        }
    return QPixmap::fromImage(image);
}

}  // namespace

TFCouleurs::TFCouleurs(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FCouleurs"));
    setWindowTitle(QStringLiteral("Couleurs"));
    setFixedSize(440, 330);
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel"));
    bevel->setFrameShape(QFrame::Box);
    bevel->setGeometry(40, 8, 230, 75);
    (new QLabel(QStringLiteral("0 - 4"), this))->setGeometry(5, 18, 34, 16);
    (new QLabel(QStringLiteral("5 - 9"), this))->setGeometry(5, 53, 34, 16);
    for (int i = 0; i < 10; ++i) {
        auto* s = new QFrame(this);
        s->setObjectName(QStringLiteral("Swatch%1").arg(i));
        s->setGeometry(40 + 5 + (i % 5) * 45, 8 + 5 + (i / 5) * 35, 40, 30);
        s->installEventFilter(this);
        Swatches[static_cast<std::size_t>(i)] = s;
    }
    ShapeSel = new QFrame(this);
    ShapeSel->setObjectName(QStringLiteral("ShapeSel"));
    ShapeSel->setGeometry(300, 8, 65, 65);
    LSelect = new QLabel(this);
    LSelect->setObjectName(QStringLiteral("LSelect"));
    LSelect->setGeometry(300, 76, 120, 16);

    auto* group = new QGroupBox(QStringLiteral("Composition"), this);
    group->setGeometry(8, 95, 424, 100);
    const char* names[3] = {"Rouge", "Vert", "Bleu"};
    QFrame** shapes[3] = {&RedShape, &GreenShape, &BlueShape};
    QSlider** bars[3] = {&RedBar, &GreenBar, &BlueBar};
    QLineEdit** edits[3] = {&ERed, &EGreen, &EBlue};
    const char* shapeNames[3] = {"RedShape", "GreenShape", "BlueShape"};
    const char* barNames[3] = {"RedBar", "GreenBar", "BlueBar"};
    const char* editNames[3] = {"ERed", "EGreen", "EBlue"};
    for (int k = 0; k < 3; ++k) {
        const int y = 20 + k * 27;
        (new QLabel(QString::fromUtf8(names[k]), group))->setGeometry(8, y + 4, 40, 16);
        QFrame* shape = new QFrame(group);
        shape->setObjectName(QString::fromUtf8(shapeNames[k]));
        shape->setGeometry(50, y, 25, 25);
        *shapes[k] = shape;
        QSlider* bar = new QSlider(Qt::Horizontal, group);
        bar->setObjectName(QString::fromUtf8(barNames[k]));
        bar->setRange(0, 255);
        bar->setPageStep(64);
        bar->setTickInterval(16);
        bar->setTickPosition(QSlider::TicksBelow);
        bar->setGeometry(85, y, 260, 25);
        *bars[k] = bar;
        QLineEdit* edit = new QLineEdit(QStringLiteral("0"), group);
        edit->setObjectName(QString::fromUtf8(editNames[k]));
        edit->setGeometry(355, y, 55, 22);
        // Up to three digits: every keystroke gives a number the bar takes
        // (300 reads back as 255), never a conversion error.
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), edit));
        *edits[k] = edit;
        connect(bar, &QSlider::valueChanged, this, GuardedSlot([this, k](int v) {
                    if (syncing_) return;
                    editor_.SetComponent(k, v);
                    ShowEditor();
                }));
        connect(edit, &QLineEdit::textEdited, this, GuardedSlot([this, k, edit] { EditChanged(k, edit); }));
    }
    const char* planeCaptions[3] = {"Bleu constant", "Vert constant", "Rouge constant"};
    const char* planeNames[3] = {"ImgRedGreen", "ImgRedBlue", "ImgGreenBlue"};
    QLabel** planes[3] = {&ImgRedGreen, &ImgRedBlue, &ImgGreenBlue};
    for (int k = 0; k < 3; ++k) {
        auto* img = new QLabel(this);
        img->setObjectName(QString::fromUtf8(planeNames[k]));
        img->setGeometry(8 + k * 104, 205, 96, 96);
        img->installEventFilter(this);
        *planes[k] = img;
        (new QLabel(QString::fromUtf8(planeCaptions[k]), this))->setGeometry(8 + k * 104, 303, 100, 16);
    }
    BOk = new QPushButton(QStringLiteral("Ok"), this);
    BOk->setObjectName(QStringLiteral("BOk"));
    BOk->setDefault(true);
    BOk->setGeometry(330, 215, 95, 25);
    BCancel = new QPushButton(QStringLiteral("Annuler"), this);
    BCancel->setObjectName(QStringLiteral("BCancel"));
    BCancel->setGeometry(330, 245, 95, 25);
    Button3 = new QPushButton(QStringLiteral("Palette..."), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(330, 275, 95, 25);
    connect(BOk, &QPushButton::clicked, this, GuardedSlot([this] { BOkClick(); }));
    connect(BCancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(Button3, &QPushButton::clicked, this, GuardedSlot([this] { Button3Click(); }));
    if (!FCouleurs) FCouleurs = this;
}

TFCouleurs::~TFCouleurs()
{
    if (FCouleurs == this) FCouleurs = nullptr;
}

void TFCouleurs::ShowEditor()
{
    syncing_ = true;
    for (int i = 0; i < 10; ++i)
        Swatches[static_cast<std::size_t>(i)]->setStyleSheet(
            ColourStyle(editor_.Swatch(i), i == editor_.SelectedIndex() ? 3 : 1));
    const TColor c = editor_.SelectedColour();
    ShapeSel->setStyleSheet(ColourStyle(c, 1));
    LSelect->setText(QStringLiteral("Couleur n\u00B0%1").arg(editor_.SelectedIndex()));
    RedShape->setStyleSheet(ColourStyle(c & 0xFF, 1));
    GreenShape->setStyleSheet(ColourStyle(c & 0xFF00, 1));
    BlueShape->setStyleSheet(ColourStyle(c & 0xFF0000, 1));
    QSlider* bars[3] = {RedBar, GreenBar, BlueBar};
    QLineEdit* edits[3] = {ERed, EGreen, EBlue};
    for (int k = 0; k < 3; ++k) {
        bars[k]->setValue(editor_.Component(k));
        const QString text = ToQString(editor_.ComponentText(k));
        if (edits[k]->text() != text) edits[k]->setText(text);
    }
    // The planes: the selected colour's third component is held constant.
    ImgRedGreen->setPixmap(PlanePixmap(MakeColourPlane(c & 0xFF0000, 0, 0xFF, 0, 0xFF00, 96, 96), 96, 96));
    ImgRedBlue->setPixmap(PlanePixmap(MakeColourPlane(c & 0xFF00, 0, 0xFF, 0, 0xFF0000, 96, 96), 96, 96));
    ImgGreenBlue->setPixmap(PlanePixmap(MakeColourPlane(c & 0xFF, 0, 0xFF00, 0, 0xFF0000, 96, 96), 96, 96));
    syncing_ = false;
}

void TFCouleurs::EditChanged(int component, QLineEdit* edit)
{
    // The edit's validator lets only digits through; an emptied edit leaves
    // the bar and the colour as they are.
    editor_.SetComponentText(component, FromQString(edit->text()));
    if (!edit->text().isEmpty()) ShowEditor();
}

void TFCouleurs::FormShow()
{
    editor_.Show();
    ShowEditor();
}

void TFCouleurs::SelectSwatch(int index)
{
    editor_.SelectSwatch(index);
    ShowEditor();
}

void TFCouleurs::PlaneMouse(ColourPlane plane, int x, int y)
{
    editor_.PlaneMouse(plane, x, y, 96, 96);
    ShowEditor();
}

void TFCouleurs::BOkClick()
{
    editor_.Ok();
    accepting_ = true;
    accept();
    accepting_ = false;
}

void TFCouleurs::Button3Click()
{
    TFPalette* palette = FPalette;
    std::unique_ptr<TFPalette> own;
    if (!palette) {
        own = std::make_unique<TFPalette>(this);
        palette = own.get();
    }
    if (palette->exec() != QDialog::Accepted) return;
    editor_.TakePaletteColour(palette->Chooser().SelectedColour());
    ShowEditor();
}

void TFCouleurs::showEvent(QShowEvent* event)
{
    RunGuarded([this] { FormShow(); });
    QDialog::showEvent(event);
}

void TFCouleurs::reject()
{
    if (accepting_) return;
    bool close = true;
    bool stored = false;
    RunGuarded([&] {
        const bool differed = editor_.DiffersFromTable();
        close = editor_.CloseQuery();
        stored = differed && !editor_.DiffersFromTable();
    });
    if (!close) return;
    // "Oui" to the question stores the colours as "Ok" does.
    if (stored) QDialog::accept();
    else QDialog::reject();
}

bool TFCouleurs::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if (t == QEvent::MouseButtonPress || t == QEvent::MouseMove) {
        auto* me = static_cast<QMouseEvent*>(event);
        for (int i = 0; i < 10; ++i)
            if (watched == Swatches[static_cast<std::size_t>(i)] && t == QEvent::MouseButtonPress) {
                RunGuarded([&] { SelectSwatch(i); });
                return true;
            }
        if (me->buttons() & Qt::LeftButton) {
            const QPoint p = me->position().toPoint();
            if (watched == ImgRedGreen) RunGuarded([&] { PlaneMouse(ColourPlane::RedGreen, p.x(), p.y()); });
            else if (watched == ImgRedBlue) RunGuarded([&] { PlaneMouse(ColourPlane::RedBlue, p.x(), p.y()); });
            else if (watched == ImgGreenBlue) RunGuarded([&] { PlaneMouse(ColourPlane::GreenBlue, p.x(), p.y()); });
        }
    }
    return QDialog::eventFilter(watched, event);
}
