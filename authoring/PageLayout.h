// The settings pages' controls made from layout tables: each row places one
// control on its page and tab, with its caption as a label on its left where
// the row gives a label width.
#pragma once
#include <functional>
#include <memory>
#include <vector>

#include "winlib/Controls.h"

class TForm1;

enum class TPlaceKind { Label, Group, Edit, ReadOnlyEdit, Button, Check, DropDown, EditCombo, Link, CheckList, List };

struct TPlace {
    TPlaceKind Kind;
    winlib::TControl* Control;  // nullptr: a label or group of the page's own
    const char* Caption;
    int Page, Tab;
    winlib::TBounds Bounds;
    int LabelWidth = 0;
};

// The pages' control heights.
namespace pagelayout {
constexpr int kEditHeight = 21;
constexpr int kCheckHeight = 17;
constexpr int kButtonHeight = 23;
constexpr int kLabelHeight = 16;
constexpr int kDropHeight = 220;  // a combo box's height includes its open list
}  // namespace pagelayout

struct TPlacedLabel {
    const winlib::TControl* Owner;
    const winlib::TControl* Label;
};

// Makes the rows' controls with ids from id on; labels and groups go to statics,
// caption labels are also listed in labels. Kinds whose making differs by page
// (check lists, list views) go to make. Edits are registered with the form.
// Returns the next free id.
int PlaceControls(TForm1& form, const std::vector<TPlace>& places, int id,
                  std::vector<std::unique_ptr<winlib::TControl>>& statics, std::vector<TPlacedLabel>* labels,
                  const std::function<void(const TPlace& place, HWND sheet, int id)>& make);
