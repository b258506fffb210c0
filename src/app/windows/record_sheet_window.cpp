#include "app/windows/record_sheet_window.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <algorithm>

#include "app/collection_links.h"
#include "app/windows/collection_window.h"
#include "app/table_commands.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/options.h"

TFEdition* FEdition = nullptr;

namespace {

// Delphi-style date masks ('9' an optional digit) in Qt's notation ('0').
QString QtMask(const std::string& mask)
{
    QString m;
    for (const char c : mask) m += c == '9' ? QLatin1Char('0') : QLatin1Char(c);
    return m;
}

}  // namespace

TFEdition::TFEdition(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FEdition"));
    setWindowTitle(QStringLiteral("Edition"));
    setMinimumWidth(kSheetMinWidth);
    resize(560, kSheetInitialHeight);
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromUtf8(name));
        b->setAutoDefault(false);
        return b;
    };
    BOk = button("BOk", "Ok");
    BOk->setDefault(true);
    BAnnul = button("BAnnul", "Annuler");
    BDatabase = button("BDatabase", "R\xC3\xA9" "cup\xC3\xA9rer dans BDD");
    BLex = button("BLex", "Compl\xC3\xA9ter avec lexique BDD");
    for (QPushButton* b : {BDatabase, BLex}) b->resize(b->sizeHint());
    connect(BOk, &QPushButton::clicked, this, GuardedSlot([this] {
                reason_ = SheetCloseReason::Ok;
                done(QDialog::Accepted);
            }));
    connect(BAnnul, &QPushButton::clicked, this, GuardedSlot([this] {
                reason_ = SheetCloseReason::Annuler;
                done(QDialog::Rejected);
            }));
    connect(BDatabase, &QPushButton::clicked, this, GuardedSlot([this] { BDatabaseClick(BDatabase); }));
    connect(BLex, &QPushButton::clicked, this, GuardedSlot([this] { BDatabaseClick(BLex); }));
    Sheet.ValueSet = [this](int i) { ShowValue(i); };
    Building = false;
}

TFEdition::~TFEdition()
{
    EditionClear();
    if (FEdition == this) FEdition = nullptr;
}

void TFEdition::EditionClear()
{
    for (QLabel* l : Labels) delete l;
    for (QWidget* e : Editors) delete e;
    Labels.clear();
    Editors.clear();
}

void TFEdition::EditionBuild(const TDirBlock& root, int row)
{
    Building = true;
    EditionClear();
    const QFontMetrics fm(font());
    CharWidth = std::max(1, fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")) / 26);
    LineHeight = fm.height();
    syncing_ = true;
    Sheet.Build(root, row);
    for (int i = 0; i < Sheet.Count(); ++i) {
        const SheetField& f = Sheet.Fields[static_cast<std::size_t>(i)];
        auto* label = new QLabel(ToQString(Sheet.Defs[static_cast<std::size_t>(i)].Name), this);
        label->adjustSize();
        label->show();
        Labels.push_back(label);
        QWidget* editor = nullptr;
        if (f.IsCombo) {
            auto* combo = new QComboBox(this);
            for (const std::string& e : f.Entries) combo->addItem(ToQString(e));
            combo->setCurrentIndex(f.Selected);
            connect(combo, &QComboBox::currentIndexChanged, this, GuardedSlot([this, i](int entry) {
                        if (!syncing_) Sheet.Choose(i, entry);
                    }));
            editor = combo;
        } else {
            auto* edit = new QLineEdit(this);
            if (!f.Mask.empty()) edit->setInputMask(QtMask(f.Mask));
            else if (f.EditLength > 0) edit->setMaxLength(f.EditLength);
            edit->setText(ToQString(f.Text));
            connect(edit, &QLineEdit::textChanged, this, GuardedSlot([this, i] { EditorEdited(i); }));
            editor = edit;
        }
        editor->setObjectName(QStringLiteral("Edit%1").arg(i));
        editor->show();
        Editors.push_back(editor);
    }
    syncing_ = false;
    FormResize();
    Building = false;
}

void TFEdition::EditorEdited(int i)
{
    if (syncing_) return;
    auto* edit = qobject_cast<QLineEdit*>(Editors[static_cast<std::size_t>(i)]);
    SheetField& f = Sheet.Fields[static_cast<std::size_t>(i)];
    if (!edit) return;
    if (!f.Mask.empty()) {
        f.Text = MaskedDateValue(FromQString(edit->displayText()));
        return;
    }
    if (f.Upper) {
        // Capitals as the user types.
        const QString upper = ToQString(UpperCase(FromQString(edit->text())));
        if (upper != edit->text()) {
            const int pos = edit->cursorPosition();
            syncing_ = true;
            edit->setText(upper);
            edit->setCursorPosition(pos);
            syncing_ = false;
        }
    }
    f.Text = FromQString(edit->text());
}

void TFEdition::ShowValue(int i)
{
    if (i < 0 || i >= static_cast<int>(Editors.size())) return;
    const SheetField& f = Sheet.Fields[static_cast<std::size_t>(i)];
    syncing_ = true;
    if (auto* combo = qobject_cast<QComboBox*>(Editors[static_cast<std::size_t>(i)])) combo->setCurrentIndex(f.Selected);
    else if (auto* edit = qobject_cast<QLineEdit*>(Editors[static_cast<std::size_t>(i)])) edit->setText(ToQString(f.Text));
    syncing_ = false;
}

void TFEdition::FormResize()
{
    if (layingOut_) return;
    layingOut_ = true;
    SheetLayoutInput in;
    in.ClientWidth = width();
    in.CharWidth = CharWidth;
    in.LineHeight = LineHeight;
    for (std::size_t i = 0; i < Labels.size(); ++i)
        in.Items.push_back({Labels[i]->width(), Editors[i]->sizeHint().height(),
                            Sheet.Fields[i].EditLength, Sheet.Fields[i].IsCombo});
    QPushButton* const buttons[4] = {BOk, BAnnul, BDatabase, BLex};
    for (int b = 0; b < 4; ++b) in.ButtonWidth[b] = buttons[b]->width();
    in.ButtonHeight = BOk->height();
    const SheetLayout out = LayoutRecordSheet(in);
    for (std::size_t i = 0; i < Labels.size(); ++i) {
        const SheetItemPlace& p = out.Items[i];
        Labels[i]->move(p.LabelLeft, p.LabelTop);
        Editors[i]->setGeometry(p.EditorLeft, p.EditorTop, p.EditorWidth, Editors[i]->sizeHint().height());
    }
    LineHeight = out.LineHeight;
    for (int b = 0; b < 4; ++b) buttons[b]->move(out.ButtonLeft[b], out.ButtonTop);
    setMinimumHeight(out.ContentHeight);
    resize(width(), out.ContentHeight);
    layingOut_ = false;
}

void TFEdition::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (!Building) RunGuarded([this] { FormResize(); });
}

void TFEdition::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    BDatabase->setVisible(OptMenuBDD);
    BLex->setVisible(OptMenuBDD);
    BDatabase->setEnabled(SheetDatabaseAvailable());
    BLex->setEnabled(SheetDatabaseAvailable());
    // The buttons stand on both sides of the middle: the window is at least
    // twice as wide as the wider side, so that no caption is cut.
    const int leftSide = BOk->width() + 4 + BAnnul->width() + 4;
    const int rightSide = OptMenuBDD ? BDatabase->width() + 4 + BLex->width() + 4 : 0;
    setMinimumWidth(std::max(kSheetMinWidth, 2 * std::max(leftSide, rightSide)));
    if (width() < minimumWidth()) resize(minimumWidth(), height());
    RunGuarded([this] { FormResize(); });
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect r = screen->availableGeometry();
        move(r.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
    }
}

void TFEdition::reject()
{
    reason_ = SheetCloseReason::CloseBox;
    QDialog::reject();
}

void TFEdition::BDatabaseClick(QObject* sender)
{
    BusyCursor busy;
    if (sender == BLex) Sheet.CompleteFromLookups();
    else Sheet.FillFromRecord(!downloading_);
}

SheetCloseReason TFEdition::ShowSheet()
{
    reason_ = SheetCloseReason::CloseBox;
    exec();
    return reason_;
}

// ---- the collection window's entry -------------------------------------------------

void EditionOpen(TFChild& child, const std::string& section, bool fromDatabase)
{
    const int row = child.SelectedRow();
    if (row < 0 || row >= static_cast<int>(child.Rows().size()) ||
        child.Rows()[static_cast<std::size_t>(row)].Indice.empty()) {
        ShowMessage(kInvalidSelectedRow);
        return;
    }
    const CollectionRow r = child.Rows()[static_cast<std::size_t>(row)];
    if (!FEdition) FEdition = new TFEdition(child.window());
    TFEdition& form = *FEdition;
    TDirBlock& root = child.FRoot();
    if (fromDatabase && !SheetDatabaseAvailable()) throw std::runtime_error(kSheetNoDatabase);
    const SheetOpening opening = PrepareRecordSheet(form.Sheet, root, r.Indice, r.Design, section);
    form.setWindowTitle(ToQString(opening.Caption));
    if (fromDatabase) {
        // The download tells for the whole ouvrage whether anything was found.
        form.downloading_ = true;
        try {
            form.EditionBuild(root, opening.Row);
            form.BDatabaseClick(form.BDatabase);
            form.EditionStore(root, opening.Row);
        } catch (...) {
            form.downloading_ = false;
            form.EditionClear();
            UndoRecordSheetOpening(root, opening);
            throw;
        }
        form.downloading_ = false;
        form.EditionClear();
        child.update();
        return;
    }
    bool stored = false;
    try {
        form.EditionBuild(root, opening.Row);
        stored = RunRecordSheetDialog(form.Sheet, root, opening.Row, [&form] { return form.ShowSheet(); });
    } catch (const std::exception&) {
        form.EditionClear();
        UndoRecordSheetOpening(root, opening);
        ShowMessage(kEditionDialogFailed);
        return;
    }
    form.EditionClear();
    if (!stored) {
        UndoRecordSheetOpening(root, opening);
        return;
    }
    child.FillView(row);
    if (LogViewLink* log = GetLogViewLink()) log->Redraw();
}
