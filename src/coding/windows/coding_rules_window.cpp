#include "coding/windows/coding_rules_window.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "coding/codage_binding.h"
#include "coding/picker_logic.h"
#include "coding/windows/code_list_window.h"
#include "coding/windows/word_list_window.h"
#include "drawing/code_models.h"
#include "drawing/rounding.h"
#include "drawing/swatches.h"
#include "drawing/windows/code_motif_coul_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/printer_info.h"
#include "platform/qpainter_canvas.h"
#include "platform/ui_services.h"
#include "platform/windows/print_output.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFCodage* FCodage = nullptr;

namespace {

const char* const kPrintTitle = "Impression";

void ShowUnmapped(std::size_t unmapped)
{
    if (unmapped > 0)
        ShowWarning(kCheckTitle, "Des caract\xC3\xA8res sans \xC3\xA9quivalent dans l'encodage des fichiers y ont "
                                 "\xC3\xA9t\xC3\xA9 \xC3\xA9" "crits sous la forme \xC2\xAB ? \xC2\xBB.");
}

// Description cells coloured by word class; Motif cells show the code's swatch.
class RuleCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int col = index.column() + 1;
        const bool selected = option.state & QStyle::State_Selected;
        const QRect r = option.rect;
        if (col == kRuleColMotif) {
            const std::string code = FromQString(index.sibling(index.row(), kRuleColCode - 1).data().toString());
            QPainterCanvas canvas(painter);
            DrawCodeSwatch(canvas, code, TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1});
            return;
        }
        if (col != kRuleColDescription || !CodageDLL().TokenizeBound()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        painter->fillRect(r, selected ? option.palette.highlight() : option.palette.base());
        painter->setClipRect(r);
        const QColor text = selected ? option.palette.highlightedText().color() : option.palette.text().color();
        QFont regular = option.font;
        regular.setBold(false);
        QFont bold = option.font;
        bold.setBold(true);
        const int space = QFontMetrics(regular).horizontalAdvance(QLatin1Char(' '));
        int x = r.left() + 2;
        for (const TToken& t : CodageDLL().Tokenize(FromQString(index.data().toString()))) {
            const QString word = ToQString(t.Text);
            const QFont& font = t.Kind == 2 ? regular : bold;
            QColor colour = text;
            if (t.Kind != 1 && t.Kind != 2)
                colour = !t.Text.empty() && t.Text[0] >= 'A' && t.Text[0] <= 'Z' ? QColor(Qt::red) : QColor(Qt::blue);
            painter->setFont(font);
            painter->setPen(colour);
            painter->drawText(QRect(x, r.top(), r.right() - x + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter, word);
            x += QFontMetrics(font).horizontalAdvance(word) + space;
        }
        painter->restore();
    }
};

}  // namespace

// ---- TextGridModel -------------------------------------------------------------

TextGridModel::TextGridModel(TextGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {}

int TextGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.RowCount() - grid_.FixedRows();
}

int TextGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.ColCount() - grid_.FixedCols();
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return ToQString(grid_.Cell(index.column() + grid_.FixedCols(), index.row() + grid_.FixedRows()));
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return ToQString(grid_.Cell(section + grid_.FixedCols(), 0));
    return QString();
}

bool TextGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole) return false;
    const int col = index.column() + grid_.FixedCols();
    const int row = index.row() + grid_.FixedRows();
    const std::string text = FromQString(value.toString());
    if (Edited) RunGuarded([&] { Edited(col, row, text); });
    return true;
}

Qt::ItemFlags TextGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() + grid_.FixedCols() != ReadOnlyCol) f |= Qt::ItemIsEditable;
    return f;
}

void TextGridModel::RowsAppended(int oldRows)
{
    if (grid_.RowCount() <= oldRows) return;
    beginInsertRows({}, oldRows - grid_.FixedRows(), grid_.RowCount() - grid_.FixedRows() - 1);
    endInsertRows();
}

void TextGridModel::Reset()
{
    beginResetModel();
    endResetModel();
}

// ---- TFCodage --------------------------------------------------------------------

TFCodage::TFCodage(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FCodage"));
    setWindowTitle(QStringLiteral("Codage"));
    // No title-bar buttons: the dialog closes through "Ok" or "Annuler" only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    model_ = new TextGridModel(editor_.Grid, this);
    model_->ReadOnlyCol = kRuleColMotif;
    model_->Edited = [this](int col, int row, const std::string& text) { GridSetEditText(col, row, text); };

    GridDescr = new QTableView(this);
    GridDescr->setObjectName(QStringLiteral("GridDescr"));
    GridDescr->setModel(model_);
    GridDescr->setItemDelegate(new RuleCellDelegate(GridDescr));
    GridDescr->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridDescr->setSelectionMode(QAbstractItemView::ContiguousSelection);
    GridDescr->verticalHeader()->setFixedWidth(18);
    GridDescr->verticalHeader()->setDefaultSectionSize(20);
    GridDescr->verticalHeader()->setSectionsMovable(true);
    GridDescr->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    GridDescr->setColumnWidth(0, 200);
    GridDescr->setContextMenuPolicy(Qt::CustomContextMenu);

    PopupMenu1 = new QMenu(this);
    connect(PopupMenu1->addAction(QStringLiteral("Couper")), &QAction::triggered, this, GuardedSlot([this] { Couper1Click(); }));
    connect(PopupMenu1->addAction(QStringLiteral("Copier")), &QAction::triggered, this, GuardedSlot([this] { Copier1Click(); }));
    connect(PopupMenu1->addAction(QStringLiteral("Coller")), &QAction::triggered, this, GuardedSlot([this] { Coller1Click(); }));
    connect(GridDescr, &QWidget::customContextMenuRequested, this,
            GuardedSlot([this](const QPoint& p) { PopupMenu1->exec(GridDescr->viewport()->mapToGlobal(p)); }));
    // Row moving: the rule itself moves, not only its place on screen.
    connect(GridDescr->verticalHeader(), &QHeaderView::sectionMoved, this,
            GuardedSlot([this](int, int oldVisual, int newVisual) {
                QHeaderView* h = GridDescr->verticalHeader();
                const QSignalBlocker block(h);
                h->moveSection(newVisual, oldVisual);
                editor_.Grid.MoveRow(oldVisual + 1, newVisual + 1);
                GridEnsureEmptyLastRow(editor_.Grid);
                AfterGridChange();
            }));

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    connect(Edit1, &QLineEdit::textEdited, this, GuardedSlot([this](const QString& t) {
                // The description is typed in capitals.
                const QString up = ToQString(UpperCase(FromQString(t)));
                if (up != t) {
                    const int pos = Edit1->cursorPosition();
                    Edit1->setText(up);
                    Edit1->setCursorPosition(pos);
                }
                Edit1Change(up);
            }));
    connect(Edit2, &QLineEdit::textEdited, this, GuardedSlot([this](const QString& t) { Edit2Change(t); }));

    auto button = [this](const char* name, const char* caption, void (TFCodage::*fn)()) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromUtf8(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, GuardedSlot([this, fn] { (this->*fn)(); }));
        return b;
    };
    Button1 = button("Button1", "Mots employ\xC3\xA9s...", &TFCodage::Button1Click);
    Button4 = button("Button4", "Motifs...", &TFCodage::Button4Click);
    Button5 = button("Button5", "par description", &TFCodage::Button5Click);
    Button6 = button("Button6", "par code", &TFCodage::Button6Click);
    Button7 = button("Button7", "Selectionner tout", &TFCodage::Button7Click);
    Button2 = button("Button2", "Ok", &TFCodage::Button2Click);
    Button3 = button("Button3", "Annuler", &TFCodage::Button3Click);
    BitBtn1 = button("BitBtn1", "Imprimer...", &TFCodage::BitBtn1Click);

    connect(GridDescr->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            GuardedSlot([this](const QModelIndex& current) {
                if (!syncing_ && current.isValid()) GridDescrClick(current.row() + 1);
            }));

    auto* edits = new QHBoxLayout;
    edits->addWidget(new QLabel(QStringLiteral("Description :"), this));
    edits->addWidget(Edit1, 3);
    edits->addWidget(new QLabel(QStringLiteral("Code :"), this));
    edits->addWidget(Edit2, 1);
    edits->addWidget(Button4);
    auto* classer = new QGroupBox(QStringLiteral("Classer"), this);
    auto* cl = new QVBoxLayout(classer);
    cl->addWidget(Button5);
    cl->addWidget(Button6);
    auto* side = new QVBoxLayout;
    side->addWidget(Button1);
    side->addWidget(classer);
    side->addWidget(Button7);
    side->addWidget(BitBtn1);
    side->addStretch();
    side->addWidget(Button2);
    side->addWidget(Button3);
    auto* top = new QHBoxLayout;
    top->addWidget(GridDescr, 1);
    top->addLayout(side);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top, 1);
    all->addLayout(edits);
    resize(640, 480);

    SetClipboardText = [](const std::string& t) { QGuiApplication::clipboard()->setText(ToQString(t)); };
    ClipboardText = [] { return FromQString(QGuiApplication::clipboard()->text()); };

    // FormCreate: the rules are there from the start (the spreadsheet's code
    // list and the status line of undescribed codes read them).
    RunGuarded([this] { FormShow(); });
}

TFCodage::~TFCodage()
{
    if (FCodage == this) FCodage = nullptr;
}

void TFCodage::FormShow()
{
    try {
        editor_.Load(ProgramFolder());
    } catch (...) {
        SyncFromEditor();
        throw;
    }
    SyncFromEditor();
}

void TFCodage::SyncFromEditor()
{
    syncing_ = true;
    model_->Reset();
    const QModelIndex current = model_->index(editor_.CurrentRow - 1, 0);
    GridDescr->setCurrentIndex(current);
    syncing_ = false;
    ShowEdits();
}

void TFCodage::ShowEdits()
{
    const QSignalBlocker b1(Edit1), b2(Edit2);
    if (Edit1->text() != ToQString(editor_.Edit1Text)) Edit1->setText(ToQString(editor_.Edit1Text));
    if (Edit2->text() != ToQString(editor_.Edit2Text)) Edit2->setText(ToQString(editor_.Edit2Text));
}

void TFCodage::AfterGridChange()
{
    const int row = editor_.CurrentRow;
    syncing_ = true;
    model_->Reset();
    GridDescr->setCurrentIndex(model_->index(row - 1, 0));
    syncing_ = false;
}

void TFCodage::Edit1Change(const QString& text)
{
    const int rows = editor_.Grid.RowCount();
    editor_.Edit1Change(FromQString(text));
    AfterEditChange(rows);
}

void TFCodage::Edit2Change(const QString& text)
{
    const int rows = editor_.Grid.RowCount();
    editor_.Edit2Change(FromQString(text));
    AfterEditChange(rows);
}

void TFCodage::AfterEditChange(int rowsBefore)
{
    if (rowsBefore != editor_.Grid.RowCount()) {
        AfterGridChange();
        ShowEdits();
    } else {
        const QModelIndex i = model_->index(editor_.CurrentRow - 1, 0);
        emit model_->dataChanged(i, i.sibling(i.row(), 2));
    }
}

void TFCodage::GridDescrClick(int row)
{
    if (editor_.GoToRow(row)) {
        AfterGridChange();
        // A mouse press that moved here goes on to select the row under the
        // pointer, which is now the rule below: the row shown in the edits is
        // selected again once the press is done.
        QTimer::singleShot(0, this, [this] { AfterGridChange(); });
    }
    ShowEdits();
}

void TFCodage::GridSetEditText(int col, int row, const std::string& text)
{
    const int rows = editor_.Grid.RowCount();
    const std::string warning = editor_.SetEditText(col, row, text);
    model_->RowsAppended(rows);
    // The edited row is drawn again before the warning.
    const QModelIndex i = model_->index(row - 1, 0);
    emit model_->dataChanged(i, i.sibling(i.row(), 2));
    ShowEdits();
    if (!warning.empty()) ShowWarning(kCheckTitle, warning);
}

void TFCodage::Button1Click()
{
    if (FListeMots) FListeMots->exec();
    GridDescr->viewport()->update();
}

void TFCodage::Button4Click()
{
    if (!FCodeMotifCoul) return;
    FCodeMotifCoul->FormShow();
    StringGrid& model = FCodeMotifCoul->Editor().Grid();
    const std::string code = FromQString(Edit2->text());
    int row = -1;
    for (int r = model.FixedRows(); r < model.RowCount() && row < 0; ++r)
        if (model.Cell(kModelColCode, r) == code) row = r;
    if (row < 0) {
        // A code the model lacks becomes its new last entry.
        row = model.RowCount() - 1;
        FCodeMotifCoul->GridSetEditText(kModelColCode, row, code);
    }
    FCodeMotifCoul->SelectCell(kModelColCode, row);
    // Showing the window refills its grid: the cell is chosen again once it shows.
    QTimer::singleShot(0, FCodeMotifCoul, [row] {
        if (FCodeMotifCoul) FCodeMotifCoul->SelectCell(kModelColCode, row);
    });
    FCodeMotifCoul->exec();
    GridDescr->viewport()->update();
}

std::pair<int, int> TFCodage::SelectedRows() const
{
    const QModelIndexList rows = GridDescr->selectionModel()->selectedRows();
    if (rows.isEmpty()) return {editor_.CurrentRow, editor_.CurrentRow};
    int first = rows.front().row(), last = first;
    for (const QModelIndex& i : rows) {
        first = std::min(first, i.row());
        last = std::max(last, i.row());
    }
    return {first + 1, last + 1};
}

void TFCodage::SelectRows(int first, int last)
{
    GridDescr->clearSelection();
    if (first < 1 || last < first) return;
    const QItemSelection sel(model_->index(first - 1, 0), model_->index(last - 1, model_->columnCount() - 1));
    GridDescr->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
}

void TFCodage::Button5Click()
{
    const auto [first, last] = SelectedRows();
    editor_.SortBy(kRuleColDescription, first, last);
    AfterGridChange();
    ShowEdits();
}

void TFCodage::Button6Click()
{
    const auto [first, last] = SelectedRows();
    editor_.SortBy(kRuleColCode, first, last);
    AfterGridChange();
    ShowEdits();
}

void TFCodage::Button7Click()
{
    const auto [first, last] = editor_.SelectAllRows();
    SelectRows(first, last);
}

void TFCodage::Copier1Click()
{
    const auto [first, last] = SelectedRows();
    SetClipboardText(editor_.Copy(first, last));
}

void TFCodage::Couper1Click()
{
    const auto [first, last] = SelectedRows();
    SetClipboardText(editor_.Cut(first, last));
    AfterGridChange();
    ShowEdits();
}

void TFCodage::Coller1Click()
{
    const auto [first, last] = SelectedRows();
    (void)last;
    const QModelIndex current = GridDescr->currentIndex();
    const int col = current.isValid() ? current.column() + 1 : kRuleColDescription;
    editor_.Paste(col, first, ClipboardText());
    AfterGridChange();
    ShowEdits();
}

void TFCodage::Button2Click()
{
    // A save that fails leaves the dialog open, the rules as typed.
    const std::size_t unmapped = editor_.Save(ProgramFolder());
    AfterGridChange();  // the save removed the empty rules
    ShowUnmapped(unmapped);
    closing_ = true;
    done(QDialog::Accepted);
    closing_ = false;
}

void TFCodage::Button3Click()
{
    closing_ = true;
    done(kModalResultIgnore);
    closing_ = false;
    // What was typed is dropped: the grid shows the rules of the file again,
    // which the spreadsheet's code list and the status line read.
    RunGuarded([this] { FormShow(); });
}

void TFCodage::BitBtn1Click()
{
    std::unique_ptr<PrintDocument> document;
    TPrinterInfo printer;
    if (MakePrintDocument) {
        document = MakePrintDocument();
        printer.ReadGeometry(document->Caps());
    } else {
        document = OpenPrintDocument();
        if (!document) return;
        printer.ReadGeometry(document->Caps());
    }
    const std::string model = FCodeMotifCoul ? FCodeMotifCoul->Editor().ModelName() : std::string();
    PrintCodingRules(editor_.Grid, model, printer, *document);
}

void TFCodage::showEvent(QShowEvent* event)
{
    RunGuarded([this] { FormShow(); });
    QDialog::showEvent(event);
}

void TFCodage::closeEvent(QCloseEvent* event)
{
    if (closing_) event->accept();
    else event->ignore();
}

void TFCodage::reject()
{
    if (closing_) QDialog::reject();
}

// ---- printing ---------------------------------------------------------------------

int PrintCodingRules(const StringGrid& rules, const std::string& modelName, const TPrinterInfo& printer,
                     PrintDocument& document)
{
    const int count = PrintableRuleCount(rules);
    const RulePrintPlan plan =
        printer.Valid() ? PlanRulePrint(printer.PageWidthCm, printer.PageHeightCm, count) : RulePrintPlan{};
    if (count > 0 && plan.Columns == 0) {
        ShowBox(kPrintTitle, "La page de l'imprimante est trop petite pour imprimer les r\xC3\xA8gles de codage.",
                MsgIcon::None, MsgOk);
        return 0;
    }
    if (plan.Pages == 0) {
        ShowBox(kPrintTitle, "Rien \xC3\xA0 imprimer", MsgIcon::None, MsgOk);
        return 0;
    }
    const std::string n = IntToStr(plan.Pages);
    if (AskYesNo("Mod\xC3\xA8les", "Nombres de pages \xC3\xA0 imprimer : " + n +
                                       ". Confirmez-vous l'impression des r\xC3\xA8gles de codage ?") != MsgResult::Yes)
        return 0;
    if (!document.BeginDoc("Carotix - Codage")) {
        ShowBox(kPrintTitle, "L'impression n'a pas pu commencer.", MsgIcon::Warning, MsgOk);
        return 0;
    }
    auto across = [&](double cm) {
        return RoundHalfEven(cm / printer.PageWidthCm * printer.PhysicalWidth);
    };
    auto down = [&](double cm) {
        return RoundHalfEven(cm / printer.PageHeightCm * printer.PhysicalHeight);
    };
    const int left = across(1.5 - printer.OffsetXCm);
    const int right = across(printer.PageWidthCm - printer.OffsetXCm - 1.5);
    const int top = down(2.5 - printer.OffsetYCm);
    const int D = down(1.0);
    const int line = down(0.6);
    const int width = right - left;
    const int scale = std::max(1, RoundHalfEven(static_cast<double>(printer.LogPixelsX) / 150));
    int row = rules.FixedRows();
    for (int p = 0; p < plan.Pages; ++p) {
        if (p > 0 && !document.NewPage()) break;
        Canvas& c = document.PageCanvas();
        c.Font = TFont{};
        c.Font.Height = std::max(1, D / 2);
        c.Brush.Style = BrushStyle::Clear;
        const std::string heading =
            "Codage avec mod\xC3\xA8le " + modelName + " - page " + IntToStr(p + 1) + "/" + n;
        while (c.TextWidth(heading) > width && c.Font.Height >= 2) c.Font.Height = c.Font.Height * 2 / 3;
        c.TextOut((left + right - c.TextWidth(heading)) / 2, top - D, heading);
        const int onPage = plan.RulesOnPage(p);
        const int lines = plan.LinesOnPage(p);
        for (int k = 0; k < onPage; ++k, ++row) {
            const int col = k / lines;
            const int ln = k % lines;
            const int x1 = left + MulDivRound(width, col, plan.Columns);
            const int x2 = left + MulDivRound(width, 100 * col + 95, 100 * plan.Columns);
            const int y1 = top + line * ln;
            const int y2 = y1 + line;
            const std::string code = rules.Cell(kRuleColCode, row);
            const int swatchRight = x1 + 2 * (y2 - y1);
            const TRect swatch{x1, y1 + line / 10, swatchRight, y2 - line / 10};
            DrawCodePattern(c, code, swatch, scale);
            c.Brush.Style = BrushStyle::Clear;
            c.Pen = TPen{};
            c.Pen.Width = scale;
            c.Rectangle(swatch);
            c.Font.Height = std::max(1, (line * 2) / 3);
            const int textTop = (y1 + y2 - c.TextHeight(code.empty() ? "X" : code)) / 2;
            const int codeLeft = swatchRight + line / 3;
            c.TextRect(TRect{codeLeft, y1, x2, y2}, codeLeft, textTop, code);
            const int descLeft = codeLeft + across(2.0);
            c.TextRect(TRect{descLeft, y1, x2, y2}, descLeft, textTop, rules.Cell(kRuleColDescription, row));
        }
    }
    if (!document.EndDoc()) {
        ShowBox(kPrintTitle, "L'impression n'a pas pu \xC3\xAAtre termin\xC3\xA9" "e.", MsgIcon::Warning, MsgOk);
        return 0;
    }
    return plan.Pages;
}

// ---- creation and links -------------------------------------------------------------

TFListeMots* CreateFListeMots(QWidget* parent)
{
    FListeMots = new TFListeMots(parent);
    return FListeMots;
}
