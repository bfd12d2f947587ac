#include "app/gui/SkarnView.h"

#include <algorithm>

namespace skarn::gui {

CSkarnView::CSkarnView(wxWindow* parent, SkarnDocument& doc)
    : wxScrolledCanvas(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                       wxHSCROLL | wxVSCROLL | wxFULL_REPAINT_ON_RESIZE),
      doc_(doc) {
  // A fixed-pitch face keeps the summary's columns aligned.
  font_ = wxFont(wxFontInfo(wxNORMAL_FONT->GetPointSize()).Family(wxFONTFAMILY_TELETYPE));
  SetFont(font_);
  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
  SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
  Bind(wxEVT_SCROLLWIN_PAGEUP, &CSkarnView::OnScrollPage, this);
  Bind(wxEVT_SCROLLWIN_PAGEDOWN, &CSkarnView::OnScrollPage, this);
  Bind(wxEVT_LEFT_DOWN, &CSkarnView::OnClick, this);
  doc_.AddView(this);
  OnUpdate();
}

CSkarnView::~CSkarnView() { doc_.RemoveView(this); }

void CSkarnView::OnUpdate() {
  selection_.reset();
  Relayout();
}

void CSkarnView::Relayout() {
  // Row height: the font's character height plus its external leading.
  int width = 0;
  int height = 0;
  int descent = 0;
  int externalLeading = 0;
  GetTextExtent("X", &width, &height, &descent, &externalLeading, &font_);
  const int lineHeight = std::max(1, GetCharHeight() + externalLeading);
  const int charWidth = std::max(1, GetCharWidth());
  sizes_ = ComputeScrollSizes(TextSize(), charWidth, lineHeight);

  // One scroll step is a line: a tenth of the width across, one row down.
  SetScrollRate(std::max(1, sizes_.lineWidth), sizes_.lineHeight);
  SetVirtualSize(sizes_.totalWidth, sizes_.totalHeight);
  Scroll(0, 0);
  SetLabel(PathFromBytes(doc_.core().fileName()));
  Refresh();
}

void CSkarnView::OnScrollPage(wxScrollWinEvent& event) {
  // A page is 20 rows down and a third of the width across.
  int xUnit = 1;
  int yUnit = 1;
  GetScrollPixelsPerUnit(&xUnit, &yUnit);
  const wxPoint start = GetViewStart();
  const int sign = event.GetEventType() == wxEVT_SCROLLWIN_PAGEUP ? -1 : 1;
  if (event.GetOrientation() == wxVERTICAL) {
    const int step = std::max(1, sizes_.pageHeight / std::max(1, yUnit));
    Scroll(-1, std::max(0, start.y + sign * step));
  } else {
    const int step = std::max(1, sizes_.pageWidth / std::max(1, xUnit));
    Scroll(std::max(0, start.x + sign * step), -1);
  }
}

void CSkarnView::ScrollToRow(size_t row) {
  int xUnit = 1;
  int yUnit = 1;
  GetScrollPixelsPerUnit(&xUnit, &yUnit);
  const long long pixels = static_cast<long long>(row) * sizes_.lineHeight;
  Scroll(-1, static_cast<int>(std::min<long long>(pixels / std::max(1, yUnit), 0x7FFFFFFF)));
}

void CSkarnView::OnClick(wxMouseEvent& event) {
  event.Skip();
  const wxPoint at = CalcUnscrolledPosition(event.GetPosition());
  const auto row = static_cast<size_t>(std::max(0, at.y) / std::max(1, sizes_.lineHeight));
  Select(row < RowCount() ? std::optional<size_t>(row) : std::nullopt);
}

void CSkarnView::Select(std::optional<size_t> row) {
  if (row == selection_) return;
  selection_ = row;
  Refresh();
  if (onSelect_) onSelect_();
}

size_t CSkarnView::FirstVisibleRow() const {
  const wxPoint origin = CalcUnscrolledPosition(wxPoint(0, 0));
  return static_cast<size_t>(std::max(0, origin.y) / std::max(1, sizes_.lineHeight));
}

void CSkarnView::ShowRow(size_t row) {
  Select(row);
  const size_t first = FirstVisibleRow();
  const auto rows = static_cast<size_t>(std::max(1, GetClientSize().y / std::max(1, sizes_.lineHeight)));
  if (row < first || row >= first + rows) ScrollToRow(row);
}

void CSkarnView::OnDraw(wxDC& dc) {
  // The part to repaint, in document pixels (the DC is already scrolled).
  wxCoord x = 0;
  wxCoord y = 0;
  wxCoord w = 0;
  wxCoord h = 0;
  dc.GetClippingBox(&x, &y, &w, &h);
  if (w <= 0 || h <= 0) {
    const wxSize client = GetClientSize();
    const wxPoint origin = CalcUnscrolledPosition(wxPoint(0, 0));
    y = origin.y;
    h = client.y;
  }
  const RowRange rows = RowsInBand(y, static_cast<long long>(y) + h, sizes_.lineHeight, RowCount());
  lastDrawn_ = rows;
  DrawRows(dc, rows, 0, static_cast<int>(rows.first) * sizes_.lineHeight, sizes_.lineHeight, true);
}

void CSkarnView::DrawRows(wxDC& dc, RowRange rows, int left, int top, int lineHeight, bool showSelection) const {
  dc.SetFont(font_);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  const size_t count = RowCount();
  long long rowTop = top;
  for (size_t i = rows.first; i < rows.last && i < count; ++i, rowTop += lineHeight) {
    const bool selected = showSelection && selection_ == i;
    if (selected) {
      dc.SetPen(*wxTRANSPARENT_PEN);
      dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)));
      dc.DrawRectangle(left, static_cast<wxCoord>(rowTop), std::max(sizes_.totalWidth, GetClientSize().x),
                       lineHeight);
    }
    dc.SetTextForeground(selected ? wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT) : GetForegroundColour());
    // An empty line keeps its row but draws nothing.
    const std::string_view text = Row(i);
    if (text.empty()) continue;
    dc.DrawText(DisplayText(ExpandTabs(text)), left + 5, static_cast<wxCoord>(rowTop));
  }
}

CSkarnPrintout::CSkarnPrintout(const CSkarnView& view, const SkarnDocument& doc)
    : wxPrintout(doc.title()), view_(view), doc_(doc) {}

wxRect CSkarnPrintout::PageArea() {
  // The rows keep the size they have on the screen; a margin of two rows
  // keeps them off the paper's edge.
  MapScreenSizeToPage();
  wxRect area = GetLogicalPageRect();
  const int margin = 2 * std::max(1, view_.sizes().lineHeight);
  area.Deflate(margin, margin);
  if (area.height < view_.sizes().lineHeight) area.height = view_.sizes().lineHeight;
  return area;
}

void CSkarnPrintout::OnPreparePrinting() {
  const int lineHeight = std::max(1, view_.sizes().lineHeight);
  rowsPerPage_ = std::max(1, PageArea().height / lineHeight);
  const size_t rows = doc_.lines().size();
  const size_t perPage = static_cast<size_t>(rowsPerPage_);
  pages_ = static_cast<int>(std::clamp<size_t>((rows + perPage - 1) / perPage, 1, 0x7FFFFFFF));
}

bool CSkarnPrintout::HasPage(int page) { return page >= 1 && page <= pages_; }

void CSkarnPrintout::GetPageInfo(int* minPage, int* maxPage, int* selPageFrom, int* selPageTo) {
  *minPage = 1;
  *maxPage = pages_;
  *selPageFrom = 1;
  *selPageTo = pages_;
}

bool CSkarnPrintout::OnPrintPage(int page) {
  wxDC* dc = GetDC();
  if (dc == nullptr || !HasPage(page)) return false;
  const wxRect area = PageArea();
  const size_t perPage = static_cast<size_t>(rowsPerPage_);
  RowRange rows;
  rows.first = static_cast<size_t>(page - 1) * perPage;
  rows.last = std::min(doc_.lines().size(), rows.first + perPage);
  view_.DrawRows(*dc, rows, area.x, area.y, view_.sizes().lineHeight);
  return true;
}

}  // namespace skarn::gui
