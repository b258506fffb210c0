#include "drawing/bandeau_editor.h"

#include <algorithm>

#include "drawing/rounding.h"
#include "platform/base/rtl_numbers.h"
#include "platform/ui_services.h"
#include "store/options.h"

namespace {

// The rectangle an object covers, corners in order (a line may run from its
// bottom-left to its top-right corner).
TRect Bounds(const TBandeauObjet& o)
{
    return TRect{std::min(o.x1, o.x2), std::min(o.y1, o.y2), std::max(o.x1, o.x2), std::max(o.y1, o.y2)};
}

bool SameObject(const TBandeauObjet& a, const TBandeauObjet& b)
{
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 && a.Size == b.Size && a.Text == b.Text &&
           a.Align == b.Align;
}

}  // namespace

BandeauEditor::BandeauEditor()
{
    taille_ = std::clamp(OptTailleBandeau, 1, 100);
    copyTaille_ = taille_;
    ClearSelection();
}

void BandeauEditor::SetTaille(std::int32_t t)
{
    taille_ = std::clamp(t, 1, 100);
    OptTailleBandeau = taille_;
}

TPoint BandeauEditor::ToPixels(std::int32_t x, std::int32_t y) const
{
    const std::int64_t w = band_.Width(), h = band_.Height();
    return TPoint{ClampToInt32(band_.Left + RoundHalfEvenDiv(std::int64_t(x) * w, 60)),
                  ClampToInt32(band_.Top + RoundHalfEvenDiv(std::int64_t(y) * h, 4 * std::int64_t(taille_)))};
}

TPoint BandeauEditor::ToUnits(std::int32_t px, std::int32_t py) const
{
    if (band_.Width() <= 0 || band_.Height() <= 0) return {};
    return TPoint{ClampToInt32(RoundHalfEvenDiv((std::int64_t(px) - band_.Left) * 60, band_.Width())),
                  ClampToInt32(RoundHalfEvenDiv((std::int64_t(py) - band_.Top) * 4 * taille_, band_.Height()))};
}

// ---- selection --------------------------------------------------------------------

void BandeauEditor::Select(std::size_t index, bool on)
{
    if (index >= BandeauObjets.size()) return;
    const auto it = std::find(selection_.begin(), selection_.end(), index);
    if (on && it == selection_.end()) selection_.push_back(index);
    if (!on && it != selection_.end()) selection_.erase(it);
    BandeauObjets[index].Selected = on ? 1 : 0;
}

void BandeauEditor::ClearSelection()
{
    selection_.clear();
    for (TBandeauObjet& o : BandeauObjets) o.Selected = 0;
}

void BandeauEditor::Toggle(std::size_t index)
{
    if (index >= BandeauObjets.size()) return;
    Select(index, BandeauObjets[index].Selected == 0);
}

void BandeauEditor::DeleteSelected()
{
    std::vector<std::size_t> doomed = selection_;
    std::sort(doomed.begin(), doomed.end());
    for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
        if (*it < BandeauObjets.size()) BandeauObjets.erase(BandeauObjets.begin() + static_cast<std::ptrdiff_t>(*it));
    ClearSelection();
}

// ---- text settings ------------------------------------------------------------------

bool BandeauEditor::ApplySize(std::int32_t size)
{
    SpinH = size;
    bool changed = false;
    for (std::size_t i : selection_)
        if (i < BandeauObjets.size() && !BandeauObjets[i].IsLine() && BandeauObjets[i].Size != size) {
            BandeauObjets[i].Size = size;
            changed = true;
        }
    return changed;
}

bool BandeauEditor::ApplyText(const std::string& text)
{
    EditText = text;
    bool changed = false;
    for (std::size_t i : selection_)
        if (i < BandeauObjets.size() && !BandeauObjets[i].IsLine() && BandeauObjets[i].Text != text) {
            BandeauObjets[i].Text = text;
            changed = true;
        }
    return changed;
}

bool BandeauEditor::ApplyAlign(std::uint8_t align)
{
    AlignChoice = align == 2 || align == 3 ? align : 1;
    bool changed = false;
    for (std::size_t i : selection_)
        if (i < BandeauObjets.size() && BandeauObjets[i].Align != AlignChoice) {
            BandeauObjets[i].Align = AlignChoice;
            changed = true;
        }
    return changed;
}

BandeauSelectionSummary BandeauEditor::SelectionSummary() const
{
    BandeauSelectionSummary s;
    std::int64_t total = 0, count = 0;
    std::optional<std::uint8_t> align;
    bool mixed = false;
    for (std::size_t i : selection_) {
        if (i >= BandeauObjets.size() || BandeauObjets[i].IsLine()) continue;
        const TBandeauObjet& o = BandeauObjets[i];
        total += o.Size;
        ++count;
        if (!s.Text && !o.Text.empty()) s.Text = o.Text;
        if (!align) align = o.Align;
        else if (*align != o.Align) mixed = true;
    }
    if (count == 0) return s;
    s.AnyText = true;
    s.Size = static_cast<std::int32_t>(RoundHalfEvenDiv(total, count));
    if (!mixed && align && *align >= 1 && *align <= 3) s.Align = *align;
    return s;
}

// ---- mouse ----------------------------------------------------------------------------

std::optional<std::size_t> BandeauEditor::HitTest(const std::vector<std::size_t>& candidates, TPoint p) const
{
    for (std::size_t i : candidates) {
        if (i >= BandeauObjets.size()) continue;
        const TBandeauObjet& o = BandeauObjets[i];
        const TRect b = Bounds(o);
        if (mode_ == BandeauMode::Texte && !o.IsLine() && p.X >= b.Left && p.X < b.Right && p.Y >= b.Top && p.Y < b.Bottom)
            return i;
        if (mode_ == BandeauMode::Ligne && o.IsLine() && p.X >= b.Left && p.X <= b.Right && p.Y >= b.Top &&
            p.Y <= b.Bottom)
            return i;
    }
    return std::nullopt;
}

void BandeauEditor::MouseDown(std::int32_t px, std::int32_t py, bool ctrl)
{
    if (gesture_ != BandeauGesture::None) return;
    // The press counts where it happens, even without a move before it.
    MouseMove(px, py);
    if (const auto hit = HitTest(selection_, current_)) {
        if (ctrl) Toggle(*hit);
        gesture_ = BandeauGesture::Moving;
        start_ = current_;
        return;
    }
    std::vector<std::size_t> all(BandeauObjets.size());
    for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
    if (const auto hit = HitTest(all, current_)) {
        if (ctrl) {
            Toggle(*hit);
        } else {
            ClearSelection();
            Select(*hit, true);
        }
        gesture_ = BandeauGesture::Moving;
        start_ = current_;
        return;
    }
    gesture_ = mode_ == BandeauMode::Texte   ? BandeauGesture::TextRect
               : mode_ == BandeauMode::Ligne ? BandeauGesture::Line
                                             : BandeauGesture::SelectRect;
    start_ = current_;
}

void BandeauEditor::MouseMove(std::int32_t px, std::int32_t py)
{
    if (band_.IsEmpty() || taille_ == 0) return;
    const TPoint u = ToUnits(px, py);
    current_ = TPoint{std::clamp(u.X, 0, 60), std::clamp(u.Y, 0, 4 * taille_)};
    if (gesture_ == BandeauGesture::Moving) {
        const std::int32_t dx = current_.X - start_.X, dy = current_.Y - start_.Y;
        if (dx != 0 || dy != 0) {
            start_ = current_;
            for (std::size_t i : selection_) {
                if (i >= BandeauObjets.size()) continue;
                TBandeauObjet& o = BandeauObjets[i];
                o.x1 += dx;
                o.x2 += dx;
                o.y1 += dy;
                o.y2 += dy;
            }
        }
    }
}

void BandeauEditor::MouseUp(bool ctrl)
{
    const BandeauGesture g = gesture_;
    gesture_ = BandeauGesture::None;
    switch (g) {
    case BandeauGesture::SelectRect: {
        const TRect sel{std::min(start_.X, current_.X), std::min(start_.Y, current_.Y), std::max(start_.X, current_.X),
                        std::max(start_.Y, current_.Y)};
        if (!ctrl) ClearSelection();
        const std::int64_t cx = (std::int64_t(sel.Left) + sel.Right) / 2, cy = (std::int64_t(sel.Top) + sel.Bottom) / 2;
        std::optional<std::size_t> nearest;
        std::int64_t best = 0;
        bool any = false;
        for (std::size_t i = 0; i < BandeauObjets.size(); ++i) {
            // A horizontal or vertical line covers one row or column of
            // units: the rectangle it is crossed by selects it.
            TRect b = Bounds(BandeauObjets[i]);
            if (b.Right == b.Left) ++b.Right;
            if (b.Bottom == b.Top) ++b.Bottom;
            const TRect x{std::max(b.Left, sel.Left), std::max(b.Top, sel.Top), std::min(b.Right, sel.Right),
                          std::min(b.Bottom, sel.Bottom)};
            if (!x.IsEmpty()) {
                Toggle(i);
                any = true;
            }
            const TBandeauObjet& o = BandeauObjets[i];
            const std::int64_t ox = (std::int64_t(o.x1) + o.x2) / 2 - cx, oy = (std::int64_t(o.y1) + o.y2) / 2 - cy;
            const std::int64_t d = ox * ox + oy * oy;
            if (!nearest || d < best) {
                nearest = i;
                best = d;
            }
        }
        // A plain click selects the object nearest to it.
        if (!any && nearest) Toggle(*nearest);
        break;
    }
    case BandeauGesture::TextRect:
        if (current_.X != start_.X && current_.Y != start_.Y) {
            TBandeauObjet o;
            o.x1 = std::min(start_.X, current_.X);
            o.x2 = std::max(start_.X, current_.X);
            o.y1 = std::min(start_.Y, current_.Y);
            o.y2 = std::max(start_.Y, current_.Y);
            o.Size = SpinH;
            o.Text = EditText;
            o.Align = AlignChoice;
            BandeauObjets.push_back(o);
            if (!ctrl) ClearSelection();
            Select(BandeauObjets.size() - 1, true);
        }
        break;
    case BandeauGesture::Line:
        if (current_.X != start_.X || current_.Y != start_.Y) {
            // Stored from its left end; a line keeps the direction it was
            // drawn in ("/" stays "/").
            TBandeauObjet o;
            const bool swap = current_.X < start_.X || (current_.X == start_.X && current_.Y < start_.Y);
            const TPoint a = swap ? current_ : start_, b = swap ? start_ : current_;
            o.x1 = a.X;
            o.y1 = a.Y;
            o.x2 = b.X;
            o.y2 = b.Y;
            o.Size = -1;
            o.Align = 0;
            BandeauObjets.push_back(o);
            if (!ctrl) ClearSelection();
            Select(BandeauObjets.size() - 1, true);
        }
        break;
    default: break;
    }
}

std::string BandeauEditor::StatusText() const
{
    return "Coordonn\xC3\xA9" "es (" + IntToStr(current_.X) + "," + IntToStr(current_.Y) + ")";
}

// ---- showing and closing ------------------------------------------------------------

void BandeauEditor::TakeCopy()
{
    copyTaille_ = taille_;
    copy_ = BandeauObjets;
}

bool BandeauEditor::IsModified() const
{
    if (taille_ != copyTaille_ || BandeauObjets.size() != copy_.size()) return true;
    for (std::size_t i = 0; i < copy_.size(); ++i)
        if (!SameObject(BandeauObjets[i], copy_[i])) return true;
    return false;
}

void BandeauEditor::Accept()
{
    if (IsModified()) BandeauModifie = true;
}

bool BandeauEditor::CloseQuery(bool askOnClose)
{
    if (!askOnClose || !IsModified()) return true;
    switch (AskYesNoCancel("Bandeau", kBandeauQuestion)) {
    case MsgResult::Yes: BandeauModifie = true; return true;
    case MsgResult::No:
        SetTaille(copyTaille_);
        BandeauObjets = copy_;
        ClearSelection();
        return true;
    default: return false;
    }
}
