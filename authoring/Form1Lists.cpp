// The project list views. Stand-in until the list editor takes this file over:
// each list is made on its sheet with as many plain columns as its stored widths.
#include "authoring/Form1.h"

namespace {
constexpr int kListIdBase = 300;
constexpr int kDesignColumnWidth = 100;
}  // namespace

void TForm1::BuildProjectLists()
{
    for (const TListPlace& place : ListPlaces()) {
        winlib::TListView& list = ListView(place.List);
        HWND sheet = Sheet(place.Page, place.Tab);
        list.Create(sheet, kListIdBase + static_cast<int>(place.List), winlib::TBounds{8, 8, 500, 300});
        for (int column = 0; column < place.Columns; ++column)
            list.AddColumn(std::string(), kDesignColumnWidth);
        list.OnChange = [this] { Action1Execute(); };
    }
}
