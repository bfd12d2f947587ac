#include "app/gui/SourceView.h"

#include <algorithm>
#include <utility>

namespace skarn::gui {

CSourceView::CSourceView(wxWindow* parent, SkarnDocument& doc) : CSkarnView(parent, doc) { OnUpdate(); }

void CSourceView::OnUpdate() {
  text_ = SourceText();
  made_ = false;
  Select(std::nullopt);
  Relayout();
}

void CSourceView::SetText(SourceText text) {
  text_ = std::move(text);
  made_ = true;
  Select(std::nullopt);
  Relayout();
}

DocSize CSourceView::TextSize() const {
  DocSize size;
  size.columns = std::max(size.columns, text_.longestLine());
  size.rows = std::max(size.rows, text_.lineCount());
  return size;
}

}  // namespace skarn::gui
