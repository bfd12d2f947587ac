// The view: the document's summary lines as plain text, one line per row, in
// a window that scrolls over the whole summary. Only the rows inside the part
// to be repainted are drawn, so a summary of a million lines scrolls as
// smoothly as one of ten.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "app/gui/Document.h"
#include "app/gui/GuiLogic.h"
#include "app/gui/WxInclude.h"

namespace skarn::gui {

class CSkarnView : public wxScrolledCanvas, public DocumentView {
 public:
  CSkarnView(wxWindow* parent, SkarnDocument& doc);
  ~CSkarnView() override;
  CSkarnView(const CSkarnView&) = delete;
  CSkarnView& operator=(const CSkarnView&) = delete;

  // Measures the font and sets the scroll sizes for the document's size.
  void OnUpdate() override;
  void OnDraw(wxDC& dc) override;

  // Draws the rows [rows.first, rows.last) with the first one at top, each
  // lineHeight below the one before, x = left + 5. Used for the screen and
  // for printed pages (which leave the selected row plain).
  void DrawRows(wxDC& dc, RowRange rows, int left, int top, int lineHeight, bool showSelection = false) const;

  // The text shown: the summary here, other text in a derived view.
  virtual size_t RowCount() const { return doc_.lines().size(); }
  virtual std::string_view Row(size_t i) const { return doc_.lines()[i]; }
  virtual DocSize TextSize() const { return doc_.docSize(); }

  // The selected (highlighted) row, chosen with a click or by a command.
  std::optional<size_t> selection() const { return selection_; }
  void Select(std::optional<size_t> row);
  // Called after the selection changes by a click or a command.
  void OnSelect(std::function<void()> handler) { onSelect_ = std::move(handler); }
  // Selects the row and scrolls it to the top unless it is already in view.
  void ShowRow(size_t row);
  // The first row in view.
  size_t FirstVisibleRow() const;

  const wxFont& textFont() const { return font_; }
  const ScrollSizes& sizes() const { return sizes_; }
  // The rows drawn by the last repaint.
  RowRange lastDrawn() const { return lastDrawn_; }
  // Scrolls so that the given row is the first one shown.
  void ScrollToRow(size_t row);

 protected:
  // Sets the scroll sizes for TextSize() and shows the top.
  void Relayout();

 private:
  void OnScrollPage(wxScrollWinEvent& event);
  void OnClick(wxMouseEvent& event);

  SkarnDocument& doc_;
  std::optional<size_t> selection_;
  std::function<void()> onSelect_;
  wxFont font_;
  ScrollSizes sizes_;
  RowRange lastDrawn_;
};

// Prints the view's rows page by page, at the size they have on the screen.
class CSkarnPrintout : public wxPrintout {
 public:
  CSkarnPrintout(const CSkarnView& view, const SkarnDocument& doc);

  void OnPreparePrinting() override;
  bool OnPrintPage(int page) override;
  bool HasPage(int page) override;
  void GetPageInfo(int* minPage, int* maxPage, int* selPageFrom, int* selPageTo) override;

 private:
  // The printable area in the screen-sized units, less a margin.
  wxRect PageArea();

  const CSkarnView& view_;
  const SkarnDocument& doc_;
  int rowsPerPage_ = 1;
  int pages_ = 1;
};

}  // namespace skarn::gui
