#include "app/gui/AboutBox.h"

#include <algorithm>

namespace skarn::gui {

wxBitmap MakeAppBitmap(int size) {
  wxBitmap bitmap(size, size, 24);
  {
    wxMemoryDC dc(bitmap);
    const auto at = [size](double f) { return static_cast<wxCoord>(f * size + 0.5); };
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(wxColour(96, 160, 224)));
    dc.DrawRectangle(0, 0, size, size);
    // The rock face.
    const wxPoint rock[] = {
        {at(0.0), at(0.78)}, {at(0.30), at(0.22)}, {at(0.45), at(0.40)}, {at(0.62), at(0.12)}, {at(1.0), at(0.78)}};
    dc.SetBrush(wxBrush(wxColour(120, 96, 80)));
    dc.DrawPolygon(static_cast<int>(WXSIZEOF(rock)), rock);
    const wxPoint snow[] = {{at(0.62), at(0.12)}, {at(0.70), at(0.26)}, {at(0.54), at(0.26)}};
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawPolygon(static_cast<int>(WXSIZEOF(snow)), snow);
    // Grass and the runway.
    dc.SetBrush(wxBrush(wxColour(72, 148, 64)));
    dc.DrawRectangle(0, at(0.72), size, size - at(0.72));
    dc.SetBrush(wxBrush(wxColour(48, 48, 48)));
    dc.DrawRectangle(at(0.12), at(0.82), at(0.76), std::max(2, at(0.08)));
    dc.SetPen(wxPen(*wxWHITE, 1));
    for (double f = 0.18; f < 0.84; f += 0.16) dc.DrawLine(at(f), at(0.86), at(f + 0.08), at(0.86));
  }
  return bitmap;
}

wxIconBundle MakeAppIcons() {
  wxIconBundle icons;
  for (const int size : {16, 32, 48}) {
    wxIcon icon;
    icon.CopyFromBitmap(MakeAppBitmap(size));
    icons.AddIcon(icon);
  }
  return icons;
}

CAboutDlg::CAboutDlg(wxWindow* parent) : wxDialog(parent, wxID_ANY, "About Skarn") {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticBitmap(this, wxID_ANY, MakeAppBitmap(32)), 0, wxALL | wxALIGN_TOP, 12);
  row->Add(new wxStaticText(this, wxID_ANY, "Skarn Version " SKARN_VERSION), 1, wxLEFT | wxRIGHT | wxTOP, 20);
  auto* ok = new wxButton(this, wxID_OK, "OK");
  ok->SetDefault();
  row->Add(ok, 0, wxALL | wxALIGN_TOP, 12);
  SetSizer(row);
  // At least the box's classic size of 235 by 55 dialog units.
  row->SetMinSize(ConvertDialogToPixels(wxSize(235, 55)));
  row->SetSizeHints(this);
  SetEscapeId(wxID_OK);
  ok->SetFocus();
  CentreOnParent();
}

}  // namespace skarn::gui
