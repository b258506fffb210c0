#include "drawing/windows/print_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include "platform/base/rtl_numbers.h"
#include "platform/ui_services.h"
#include "platform/windows/print_output.h"
#include "platform/windows/qt_ui_services.h"

TFImpression* FImpression = nullptr;

namespace {

constexpr int kClientWidth = 640;
constexpr int kClientHeight = 420;
constexpr int kGroupWidth = 250;
constexpr int kMarginsHeight = 176;
constexpr int kOptionsHeight = 104;
constexpr int kPreviewSide = 80;

const char* const kPrintTitle = "Impression";

int Nearest(double x)
{
    return RoundHalfEvenToInt32Clamped(x);
}

}  // namespace

// ---- page preview ----------------------------------------------------------------

PagePreview ComputePagePreview(const TPrinterInfo& p, const PrintSettings& s)
{
    PagePreview v;
    if (!p.Valid()) return v;
    const double m = std::max(p.PhysicalWidth, p.PhysicalHeight);
    v.Page.Width = Nearest(p.PhysicalWidth / m * kPreviewSide);
    v.Page.Height = Nearest(p.PhysicalHeight / m * kPreviewSide);
    v.Page.Left = (kPreviewSide - v.Page.Width) / 2 + 60;
    v.Page.Top = (kPreviewSide - v.Page.Height) / 2 + 50;
    v.Shadow = PreviewBox{v.Page.Left + 5, v.Page.Top + 5, v.Page.Width, v.Page.Height};
    const int left = Nearest(s.MargeGauche / p.PageWidthCm * v.Page.Width);
    const int top = Nearest(s.MargeHaut / p.PageHeightCm * v.Page.Height);
    const int right = Nearest((p.PageWidthCm - s.MargeDroite) / p.PageWidthCm * v.Page.Width);
    const int bottom = Nearest((p.PageHeightCm - s.MargeBas) / p.PageHeightCm * v.Page.Height);
    v.Margin = PreviewBox{v.Page.Left + left, v.Page.Top + top, std::max(0, right - left), std::max(0, bottom - top)};
    return v;
}

// ---- the lists ------------------------------------------------------------------

TPrintList::TPrintList(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

bool TPrintList::AcceptsDropFrom(const QObject* source) const
{
    return Other && source == Other && Other->currentItem() != nullptr;
}

void TPrintList::TakeSelectedFrom(TPrintList& source)
{
    std::vector<int> rows;
    for (int i = 0; i < source.count(); ++i)
        if (source.item(i)->isSelected()) rows.push_back(i);
    for (int r : rows) addItem(source.item(r)->clone());
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) delete source.takeItem(*it);
}

void TPrintList::dragEnterEvent(QDragEnterEvent* event)
{
    if (AcceptsDropFrom(event->source()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TPrintList::dragMoveEvent(QDragMoveEvent* event)
{
    if (AcceptsDropFrom(event->source())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TPrintList::dropEvent(QDropEvent* event)
{
    if (!AcceptsDropFrom(event->source())) {
        event->ignore();
        return;
    }
    // The lines move here ourselves: the drag ends as a copy, so the source
    // removes nothing of its own.
    RunGuarded([&] { TakeSelectedFrom(*Other); });
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

// ---- shapes ---------------------------------------------------------------------

TPreviewShape::TPreviewShape(Kind kind, QWidget* parent) : QWidget(parent), ShapeKind(kind)
{
    if (kind == Kind::Margin) setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

void TPreviewShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r(0, 0, width() - 1, height() - 1);
    switch (ShapeKind) {
    case Kind::Shadow:
        p.fillRect(rect(), Qt::gray);
        break;
    case Kind::Page:
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(r);
        break;
    case Kind::Margin:
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(r);
        break;
    }
}

void TPreviewShape::mousePressEvent(QMouseEvent* event)
{
    emit pressed();
    event->accept();
}

// ---- the window -------------------------------------------------------------------

TFImpression::TFImpression(QWidget* parent) : QDialog(parent)
{
    FImpression = this;
    setObjectName(QStringLiteral("TFImpression"));
    setWindowTitle(QString::fromUtf8(kPrintTitle));

    LabelDispo = new QLabel(QStringLiteral("Fiches disponibles"), this);
    LabelImprime = new QLabel(QStringLiteral("Fiches \u00E0 imprimer"), this);
    LDispo = new TPrintList(this);
    LDispo->setObjectName(QStringLiteral("LDispo"));
    LImprime = new TPrintList(this);
    LImprime->setObjectName(QStringLiteral("LImprime"));
    LDispo->Other = LImprime;
    LImprime->Other = LDispo;

    GroupMarges = new QGroupBox(QStringLiteral("Marges (cm)"), this);
    ShapeOmbre = new TPreviewShape(TPreviewShape::Kind::Shadow, GroupMarges);
    ShapePage = new TPreviewShape(TPreviewShape::Kind::Page, GroupMarges);
    ShapeMarge = new TPreviewShape(TPreviewShape::Kind::Margin, GroupMarges);
    auto edit = [](QWidget* parent, const char* name) {
        auto* e = new QLineEdit(parent);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    EditH = edit(GroupMarges, "EditH");
    EditB = edit(GroupMarges, "EditB");
    EditG = edit(GroupMarges, "EditG");
    EditD = edit(GroupMarges, "EditD");

    GroupOptions = new QGroupBox(QStringLiteral("Options de trac\u00E9"), this);
    auto* lPMax = new QLabel(QStringLiteral("Profondeur max. (m) :"), GroupOptions);
    auto* lTTranche = new QLabel(QStringLiteral("Taille des tranches (m) :"), GroupOptions);
    auto* lPTranche = new QLabel(QStringLiteral("Faire des tranches si prof > "), GroupOptions);
    EditPMax = edit(GroupOptions, "EditPMax");
    EditTTranche = edit(GroupOptions, "EditTTranche");
    EditPTranche = edit(GroupOptions, "EditPTranche");
    int y = 22;
    for (auto [label, e] : {std::pair{lPMax, EditPMax}, {lTTranche, EditTTranche}, {lPTranche, EditPTranche}}) {
        label->setGeometry(8, y + 3, kGroupWidth - 66, 18);
        e->setGeometry(kGroupWidth - 54, y, 46, 22);
        y += 26;
    }

    GroupRapport = new QGroupBox(QStringLiteral("Rapport"), this);
    auto* lElements = new QLabel(QStringLiteral("El\u00E9ments \u00E0 imprimer :"), GroupRapport);
    lElements->setGeometry(8, 20, kGroupWidth - 16, 18);
    CheckListBox_ElementsRapport = new QListWidget(GroupRapport);
    CheckListBox_ElementsRapport->setObjectName(QStringLiteral("CheckListBox_ElementsRapport"));
    CheckListBox_ElementsRapport->setGeometry(8, 40, kGroupWidth - 16, kMarginsHeight + kOptionsHeight - 80);
    CheckBox_NbPairPages = new QCheckBox(QStringLiteral("Nombre pair de pages par rapport"), GroupRapport);
    CheckBox_NbPairPages->setObjectName(QStringLiteral("CheckBox_NbPairPages"));
    CheckBox_NbPairPages->setGeometry(8, kMarginsHeight + kOptionsHeight - 34, kGroupWidth - 12, 22);
    GroupRapport->hide();

    Button1 = new QPushButton(QStringLiteral("Imprimer"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Fermer"), this);
    Button2->setObjectName(QStringLiteral("Button2"));

    LabelImprimante = new QLabel(QStringLiteral("Imprimante :"), this);
    CImprimante = new QComboBox(this);
    CImprimante->setObjectName(QStringLiteral("CImprimante"));
    LabelImprimante->setBuddy(CImprimante);
    connect(CImprimante, qOverload<int>(&QComboBox::activated), this, GuardedSlot([this] { CImprimanteChange(); }));

    connect(Button1, &QPushButton::clicked, this, GuardedSlot([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    const std::pair<QLineEdit*, void (TFImpression::*)()> exits[] = {
        {EditH, &TFImpression::EditHExit},         {EditB, &TFImpression::EditBExit},
        {EditG, &TFImpression::EditGExit},         {EditD, &TFImpression::EditDExit},
        {EditPMax, &TFImpression::EditPMaxExit},   {EditPTranche, &TFImpression::EditPTrancheExit},
        {EditTTranche, &TFImpression::EditTTrancheExit}};
    // Leaving an edit, or Enter in it, writes its value.
    for (auto [e, handler] : exits)
        connect(e, &QLineEdit::editingFinished, this, GuardedSlot([this, handler] { (this->*handler)(); }));
    for (TPreviewShape* s : {ShapeOmbre, ShapePage, ShapeMarge})
        connect(s, &TPreviewShape::pressed, this, [this] { Button1->setFocus(); });  // ShapeMargeMouseDown

    Layout();
    SetModeCoupes();  // FormCreate: logs mode, no printer geometry yet
}

TFImpression::~TFImpression()
{
    if (FImpression == this) FImpression = nullptr;
}

void TFImpression::Layout()
{
    setFixedSize(kClientWidth, kClientHeight);
    const int groupLeft = kClientWidth - 10 - kGroupWidth;
    GroupMarges->setGeometry(groupLeft, 8, kGroupWidth, kMarginsHeight);
    GroupOptions->setGeometry(groupLeft, 8 + kMarginsHeight + 6, kGroupWidth, kOptionsHeight);
    GroupRapport->setGeometry(groupLeft, 8, kGroupWidth, kMarginsHeight + 6 + kOptionsHeight);
    // Around the page preview, whose centre is 100 pixels from the group's left.
    EditH->setGeometry(75, 22, 50, 22);
    EditB->setGeometry(75, 140, 50, 22);
    EditG->setGeometry(4, 79, 50, 22);
    EditD->setGeometry(146, 79, 50, 22);

    // The lists share the room left of the groups and reach 10 pixels above
    // the bottom; "Fiches à imprimer" ends 8 pixels left of the margins.
    // Below them, the printer the pages go to.
    const int listsRight = groupLeft - 8;
    const int listWidth = (listsRight - 8 - 8) / 2;
    const int printerTop = kClientHeight - 10 - CImprimante->sizeHint().height();
    const int labelWidth = LabelImprimante->sizeHint().width();
    LabelImprimante->setGeometry(8, printerTop, labelWidth, CImprimante->sizeHint().height());
    CImprimante->setGeometry(8 + labelWidth + 6, printerTop, listsRight - 8 - labelWidth - 6,
                             CImprimante->sizeHint().height());
    const int listsBottom = printerTop - 6;
    LabelDispo->setGeometry(8, 8, listWidth, 18);
    LabelImprime->setGeometry(listsRight - listWidth, 8, listWidth, 18);
    LDispo->setGeometry(8, 28, listWidth, listsBottom - 28);
    LImprime->setGeometry(listsRight - listWidth, 28, listWidth, listsBottom - 28);

    // The buttons sit centred under the first and the third quarter of the
    // margins group.
    const int buttonsTop = 8 + kMarginsHeight + 6 + kOptionsHeight + 12;
    const int bw = 80;
    Button1->setGeometry(groupLeft + kGroupWidth / 4 - bw / 2, buttonsTop, bw, 26);
    Button2->setGeometry(groupLeft + 3 * kGroupWidth / 4 - bw / 2, buttonsTop, bw, 26);
}

void TFImpression::SetModeCoupes()
{
    GroupMarges->show();
    GroupOptions->show();
    GroupRapport->hide();
    modeRapport_ = false;
}

void TFImpression::SetModeRapport()
{
    GroupMarges->hide();
    GroupOptions->hide();
    GroupRapport->show();
    modeRapport_ = true;
}

void TFImpression::ShowNumber(QLineEdit* edit, double value) const
{
    edit->setText(ToQString(FloatToStrGeneral(value, 3)));
}

void TFImpression::AddEntry(QListWidget* list, const PrintEntry& entry)
{
    auto* item = new QListWidgetItem(ToQString(entry.Text), list);
    item->setData(Qt::UserRole, static_cast<int>(entries_.size()));
    entries_.push_back(entry);
}

std::vector<PrintEntry> TFImpression::Entries(const QListWidget* list) const
{
    std::vector<PrintEntry> out;
    for (int i = 0; i < list->count(); ++i) {
        const int k = list->item(i)->data(Qt::UserRole).toInt();
        if (k >= 0 && k < static_cast<int>(entries_.size())) out.push_back(entries_[static_cast<std::size_t>(k)]);
    }
    return out;
}

std::vector<std::string> TFImpression::CheckedElements() const
{
    std::vector<std::string> out;
    for (int i = 0; i < CheckListBox_ElementsRapport->count(); ++i) {
        const QListWidgetItem* it = CheckListBox_ElementsRapport->item(i);
        if (it->checkState() == Qt::Checked) out.push_back(FromQString(it->text()));
    }
    return out;
}

void TFImpression::FormShow()
{
    if (collection_) {
        LDispo->clear();
        LImprime->clear();
        entries_.clear();
        CollectionView& child = *collection_;
        const std::vector<int> selected = child.GetSelectedRows();
        for (int r = 0; r < child.RowCount(); ++r) {
            const CollectionViewRow row = child.RowAt(r);
            const std::vector<std::string> tubes =
                modeRapport_ ? std::vector<std::string>{} : child.FillTubeList(row.Indice, row.Design, true);
            const bool isSelected = std::find(selected.begin(), selected.end(), r) != selected.end();
            for (const PrintEntry& e : PrintEntriesOf(child.FRoot(), row.Indice, row.Design, tubes, modeRapport_))
                AddEntry(isSelected ? LImprime : LDispo, e);
        }
    }

    CheckListBox_ElementsRapport->clear();
    if (const ReportPrinting& reports = GetReportPrinting(); reports.ElementNames)
        for (const std::string& name : reports.ElementNames()) {
            auto* it = new QListWidgetItem(ToQString(name), CheckListBox_ElementsRapport);
            it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
            it->setCheckState(Qt::Checked);
        }

    // The geometry of the printer chosen now, which may have changed since
    // the last showing.
    FillPrinters();
    ReadPrinterPage();

    const PrintSettings s = ReadPrintSettings();
    ShowNumber(EditPMax, s.ProfMaximum);
    ShowNumber(EditPTranche, s.ProfTranches);
    ShowNumber(EditTTranche, s.TailleTranches);
    Layout();
}

void TFImpression::ReadPrinterPage()
{
    if (!printer_) printer_.emplace();
    printer_->ReadGeometry(PrinterDeviceCaps(CurrentPrinter()));
    const PagePreview preview = ComputePagePreview(*printer_, PrintSettings{});
    ShapePage->setGeometry(preview.Page.Left, preview.Page.Top, preview.Page.Width, preview.Page.Height);
    ShapeOmbre->setGeometry(preview.Shadow.Left, preview.Shadow.Top, preview.Shadow.Width, preview.Shadow.Height);
    ShapeOmbre->lower();
    DrawPagePreview();
}

void TFImpression::FillPrinters()
{
    const QPrinter& printer = CurrentPrinter();
    const QString current = printer.outputFormat() == QPrinter::NativeFormat ? printer.printerName() : QString();
    CImprimante->clear();
    for (const QString& name : QPrinterInfo::availablePrinterNames()) CImprimante->addItem(name, name);
    CImprimante->addItem(QStringLiteral("Fichier PDF"), QString());
    const int at = current.isEmpty() ? -1 : CImprimante->findData(current);
    CImprimante->setCurrentIndex(at >= 0 ? at : CImprimante->count() - 1);
    // A queue that went away since it was chosen (or none named) shows as
    // "Fichier PDF": the printer follows what the list shows, or a print would
    // go to a queue that is no more, without asking for its file.
    if (at < 0 && printer.outputFormat() == QPrinter::NativeFormat) ChoosePrintOutput(QString());
}

void TFImpression::CImprimanteChange()
{
    // "Fichier PDF" carries no queue name: its file is asked for when printing.
    ChoosePrintOutput(CImprimante->currentData().toString());
    ReadPrinterPage();
}

void TFImpression::DrawPagePreview()
{
    PrintSettings s = ReadPrintSettings();
    if (printer_) BringMarginsIntoPrintableArea(s, *printer_);
    ShowNumber(EditG, s.MargeGauche);
    ShowNumber(EditH, s.MargeHaut);
    ShowNumber(EditD, s.MargeDroite);
    ShowNumber(EditB, s.MargeBas);
    if (!printer_) return;
    const PagePreview preview = ComputePagePreview(*printer_, s);
    ShapeMarge->setGeometry(preview.Margin.Left, preview.Margin.Top, preview.Margin.Width, preview.Margin.Height);
    ShapeMarge->raise();
}

void TFImpression::ExitEdit(QLineEdit* edit, const char* key, bool preview)
{
    // A text that is not a number raises the conversion error; the setting
    // keeps its value.
    const double value = StrToFloat(FromQString(edit->text()));
    WritePrintSetting(key, value);
    if (preview) DrawPagePreview();
}

void TFImpression::EditHExit() { ExitEdit(EditH, kMargeHaut, true); }
void TFImpression::EditBExit() { ExitEdit(EditB, kMargeBas, true); }
void TFImpression::EditGExit() { ExitEdit(EditG, kMargeGauche, true); }
void TFImpression::EditDExit() { ExitEdit(EditD, kMargeDroite, true); }
void TFImpression::EditPMaxExit() { ExitEdit(EditPMax, kProfMaximum, false); }
void TFImpression::EditPTrancheExit() { ExitEdit(EditPTranche, kProfTranches, false); }
void TFImpression::EditTTrancheExit() { ExitEdit(EditTTranche, kTailleTranches, false); }

void TFImpression::Button1Click()
{
    const std::vector<PrintEntry> entries = Entries(LImprime);
    PrintOutcome outcome;
    if (collection_ && !entries.empty()) {
        // A PDF file is asked for only when there is something to put in it.
        const std::unique_ptr<PrintDocument> opened = OpenPrintDocument();
        if (!opened) return;
        PrintDocument& document = *opened;
        if (!printer_) printer_.emplace(document.Caps());
        BusyCursor busy;
        if (modeRapport_)
            outcome = PrintRapports(collection_->FRoot(), entries, CheckedElements(), CheckBox_NbPairPages->isChecked(),
                                    *printer_, document);
        else
            outcome = PrintCoupes(collection_->FRoot(), entries, ReadPrintSettings(), *printer_, document);
    }
    done(1);
    if (!outcome.Failure.empty()) ShowBox(kPrintTitle, outcome.Failure, MsgIcon::Warning);
}

void TFImpression::showEvent(QShowEvent* event)
{
    RunGuarded([this] { FormShow(); });
    QDialog::showEvent(event);
}

void TFImpression::closeEvent(QCloseEvent* event)
{
    // FormClose: an edit still in progress is ended, and so written.
    LDispo->setFocus();
    QDialog::closeEvent(event);
}

void TFImpression::done(int result)
{
    LDispo->setFocus();
    QDialog::done(result);
}
