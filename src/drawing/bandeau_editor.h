// The title-block editor's logic: the band's scale between window pixels and
// band units, the mouse gestures (selecting, moving, drawing texts and lines,
// the selection rectangle), deleting, the text settings of the selection, the
// change test against the copy taken at showing, and the questions at
// closing. It acts on BandeauObjets and OptTailleBandeau directly, so every
// change is in force for the next log drawn; the window only shows it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "drawing/bandeau.h"
#include "platform/canvas_types.h"

enum class BandeauMode { Texte, Ligne, Selection };
enum class BandeauGesture { None, TextRect, Line, Moving, SelectRect };

// What the text controls show after a paint when texts are selected.
struct BandeauSelectionSummary {
    bool AnyText = false;
    std::int32_t Size = 0;            // [average Size of the selected texts]
    std::optional<std::string> Text;  // the first non-empty text among them
    std::uint8_t Align = 0;           // their shared alignment (1, 2, 3), 0 when mixed
};

class BandeauEditor {
public:
    // FormCreate: the selection empty, mode "Sélection", height from
    // OptTailleBandeau.
    BandeauEditor();

    // ---- scale ----
    void SetBandRect(const TRect& r) { band_ = r; }
    const TRect& BandRect() const { return band_; }
    std::int32_t Taille() const { return taille_; }
    // SpinTailleBandeau (1..100): OptTailleBandeau follows at once.
    void SetTaille(std::int32_t t);
    TPoint ToPixels(std::int32_t x, std::int32_t y) const;
    TPoint ToUnits(std::int32_t px, std::int32_t py) const;

    // ---- controls ----
    BandeauMode Mode() const { return mode_; }
    void SetMode(BandeauMode mode) { mode_ = mode; }
    // The values new texts take (SpinH, EditText, the alignment buttons).
    std::int32_t SpinH = 15;
    std::string EditText;
    std::uint8_t AlignChoice = 1;
    // SpinH, EditText and the alignment buttons changed by the user: the
    // selected texts (every selected object for the alignment) take the value.
    // True when anything changed.
    bool ApplySize(std::int32_t size);
    bool ApplyText(const std::string& text);
    bool ApplyAlign(std::uint8_t align);
    BandeauSelectionSummary SelectionSummary() const;

    // ---- mouse (pixels of the window) ----
    void MouseDown(std::int32_t px, std::int32_t py, bool ctrl);
    void MouseMove(std::int32_t px, std::int32_t py);
    void MouseUp(bool ctrl);
    BandeauGesture Gesture() const { return gesture_; }
    TPoint Start() const { return start_; }
    TPoint Current() const { return current_; }
    std::string StatusText() const;

    // ---- selection ----
    const std::vector<std::size_t>& Selection() const { return selection_; }
    void ClearSelection();
    void Toggle(std::size_t index);
    // ToolSuppr and the Delete key.
    void DeleteSelected();

    // ---- showing and closing ----
    void TakeCopy();  // FormShow
    bool IsModified() const;
    // The caption bar's accept button: an accepted change is to be saved.
    void Accept();
    // FormCloseQuery; false keeps the window open. `askOnClose` is false after
    // the accept button.
    bool CloseQuery(bool askOnClose);

    // The object hit at band point (x, y) in the current mode, among
    // `candidates` in their order.
    std::optional<std::size_t> HitTest(const std::vector<std::size_t>& candidates, TPoint p) const;

private:
    void Select(std::size_t index, bool on);

    TRect band_{};
    std::int32_t taille_ = 9;
    BandeauMode mode_ = BandeauMode::Selection;
    BandeauGesture gesture_ = BandeauGesture::None;
    TPoint start_{}, current_{};
    std::vector<std::size_t> selection_;
    std::int32_t copyTaille_ = 9;
    std::vector<TBandeauObjet> copy_;
};

inline constexpr const char* kBandeauCaption = "Edition du bandeau";
inline constexpr const char* kBandeauQuestion = "Voulez-vous enregistrer les modifications ?";
