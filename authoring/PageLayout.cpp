#include "authoring/PageLayout.h"

#include "authoring/MainWindow.h"

using winlib::TBounds;

namespace {

template <class T>
T& AddStatic(std::vector<std::unique_ptr<winlib::TControl>>& statics)
{
    statics.push_back(std::make_unique<T>());
    return static_cast<T&>(*statics.back());
}

}  // namespace

int PlaceControls(TForm1& form, const std::vector<TPlace>& places, int id,
                  std::vector<std::unique_ptr<winlib::TControl>>& statics, std::vector<TPlacedLabel>* labels,
                  const std::function<void(const TPlace& place, HWND sheet, int id)>& make)
{
    // A command-line build never shows the window: captions and frames, which only
    // tell a person what a control is, are left out (their ids stay taken). Under
    // Wine each window costs dozens of server round trips.
    const bool decorate = !AppState().NeverShown;
    auto decoration = [&](auto& control, HWND sheet, const TBounds& bounds, const std::string& caption) {
        if (decorate)
            control.Create(sheet, id, bounds, caption);
        ++id;
    };
    for (const TPlace& place : places) {
        HWND sheet = form.Sheet(place.Page, place.Tab);
        const TBounds& b = place.Bounds;
        if (place.LabelWidth > 0) {
            auto& label = AddStatic<winlib::TLabel>(statics);
            decoration(label, sheet,
                       TBounds{b.X - place.LabelWidth, b.Y + 3, place.LabelWidth - 4, pagelayout::kLabelHeight},
                       place.Caption);
            if (labels != nullptr)
                labels->push_back({place.Control, &label});
        }
        switch (place.Kind) {
        case TPlaceKind::Label: decoration(AddStatic<winlib::TLabel>(statics), sheet, b, place.Caption); break;
        case TPlaceKind::Group: decoration(AddStatic<winlib::TGroupBox>(statics), sheet, b, place.Caption); break;
        case TPlaceKind::Edit:
        case TPlaceKind::ReadOnlyEdit:
            static_cast<winlib::TEdit*>(place.Control)->Create(sheet, id++, b, place.Kind == TPlaceKind::ReadOnlyEdit);
            form.RegisterEdit(*static_cast<winlib::TEdit*>(place.Control));
            break;
        case TPlaceKind::Button:
            static_cast<winlib::TButton*>(place.Control)->Create(sheet, id++, b, place.Caption);
            break;
        case TPlaceKind::Check:
            static_cast<winlib::TCheckBox*>(place.Control)->Create(sheet, id++, b, place.Caption);
            break;
        case TPlaceKind::DropDown:
        case TPlaceKind::EditCombo:
            static_cast<winlib::TComboBox*>(place.Control)->Create(sheet, id++, b, place.Kind == TPlaceKind::EditCombo);
            break;
        case TPlaceKind::Link:
            static_cast<winlib::TLinkLabel*>(place.Control)->Create(sheet, id++, b, place.Caption);
            break;
        case TPlaceKind::CheckList:
        case TPlaceKind::List: make(place, sheet, id++); break;
        }
    }
    return id;
}
