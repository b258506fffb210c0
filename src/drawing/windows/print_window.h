// TFImpression: the print window ("Impression"). It prints the logs of the
// chosen ouvrages of the active collection, one page per log or per depth
// slice, inside margins given in centimetres; switched to its report mode it
// prints borehole reports instead.
//
// The lines to print are dragged from "Fiches disponibles" to "Fiches à
// imprimer" (the selected ouvrages start there). Margins and depths are
// written to carotix.ini [Impression] as soon as an edit is left; the page
// preview shows the margins on the current printer's paper.
#pragma once

#include <QDialog>
#include <QListWidget>
#include <QPointer>
#include <optional>
#include <string>
#include <vector>

#include "drawing/printing.h"
#include "platform/windows/collection_view.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TFImpression;

// ---- the page preview, without widgets ---------------------------------------

// Rectangles in the margins group: left, top, width, height.
struct PreviewBox {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    friend bool operator==(const PreviewBox&, const PreviewBox&) = default;
};
struct PagePreview {
    PreviewBox Page;
    PreviewBox Shadow;  // the page's size, 5 pixels further right and down
    PreviewBox Margin;  // the area inside the margins, within the page
};
// The paper drawn 80 pixels along its longer side, centred on (100, 90) of
// the group; the margin box inside it. An invalid printer gives empty boxes.
PagePreview ComputePagePreview(const TPrinterInfo& printer, const PrintSettings& settings);

// ---- the window ----------------------------------------------------------------

// One of the two lists: lines are dragged from the other list and appended.
class TPrintList : public QListWidget {
    Q_OBJECT
public:
    explicit TPrintList(QWidget* parent = nullptr);
    TPrintList* Other = nullptr;
    // The other list's selected lines, appended in their order, then removed
    // from it (the drop of a drag).
    void TakeSelectedFrom(TPrintList& source);
    // A drop is accepted only from the other list while it has a current line.
    bool AcceptsDropFrom(const QObject* source) const;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

// A plain shape of the page preview; a press on it ends the edit in progress.
class TPreviewShape : public QWidget {
    Q_OBJECT
public:
    enum class Kind { Shadow, Page, Margin };
    TPreviewShape(Kind kind, QWidget* parent);
    Kind ShapeKind;

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

class TFImpression : public QDialog {
    Q_OBJECT
public:
    explicit TFImpression(QWidget* parent = nullptr);  // FormCreate
    ~TFImpression() override;

    // Logs mode: margins and log options shown, report group hidden.
    void SetModeCoupes();
    // Reports mode: the reverse.
    void SetModeRapport();
    bool ReportMode() const { return modeRapport_; }

    // The collection whose ouvrages are offered (the active one, set by the
    // main window before showing). Without one the lists stay as they were.
    void SetCollection(CollectionView* child) { collection_ = child; }

    // FormShow: fills the lists, the report elements, the printer geometry,
    // the preview and the edits.
    void FormShow();
    // The margins brought into the printable area, shown and previewed.
    void DrawPagePreview();
    // The seven exit handlers: the edit's text as a number, written at once.
    void EditHExit();
    void EditBExit();
    void EditGExit();
    void EditDExit();
    void EditPMaxExit();
    void EditPTrancheExit();
    void EditTTrancheExit();
    // "Imprimer": prints the lines of LImprime, then closes with result 1.
    void Button1Click();

    // The entries of a list, in its order.
    std::vector<PrintEntry> Entries(const QListWidget* list) const;
    // The ticked report elements.
    std::vector<std::string> CheckedElements() const;
    const TPrinterInfo& PrinterGeometry() const { return *printer_; }

    TPrintList* LDispo;
    TPrintList* LImprime;
    QLabel* LabelDispo;
    QLabel* LabelImprime;
    QGroupBox* GroupMarges;
    TPreviewShape* ShapeOmbre;
    TPreviewShape* ShapePage;
    TPreviewShape* ShapeMarge;
    QLineEdit* EditH;
    QLineEdit* EditB;
    QLineEdit* EditG;
    QLineEdit* EditD;
    QGroupBox* GroupOptions;
    QLineEdit* EditPMax;
    QLineEdit* EditTTranche;
    QLineEdit* EditPTranche;
    QGroupBox* GroupRapport;
    QListWidget* CheckListBox_ElementsRapport;
    QCheckBox* CheckBox_NbPairPages;
    QPushButton* Button1;  // "Imprimer"
    QPushButton* Button2;  // "Fermer"
    // The system's print queues, then the PDF file; the choice becomes the
    // current printer.
    QLabel* LabelImprimante;
    QComboBox* CImprimante;

    // Lists the system's queues and shows the current printer among them.
    void FillPrinters();
    // Makes the chosen line the current printer and shows its page.
    void CImprimanteChange();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void Layout();
    void AddEntry(QListWidget* list, const PrintEntry& entry);
    void ShowNumber(QLineEdit* edit, double value) const;
    void ExitEdit(QLineEdit* edit, const char* key, bool preview);
    // Reads the current printer's page and shows it in the preview.
    void ReadPrinterPage();

    bool modeRapport_ = false;
    CollectionViewPointer collection_;
    std::optional<TPrinterInfo> printer_;
    std::vector<PrintEntry> entries_;  // item data of the lines index into this
};

extern TFImpression* FImpression;
