// The source view: the file's disassembly shown in the window without saving
// it, made when the view is first shown for the open file and dropped when
// another file is opened. It scrolls and draws like the summary view (only
// the rows in view), so a source of a hundred megabytes scrolls as smoothly.
#pragma once

#include "app/gui/SkarnView.h"

namespace skarn::gui {

class CSourceView : public CSkarnView {
 public:
  CSourceView(wxWindow* parent, SkarnDocument& doc);

  // Drops the text: the document has changed.
  void OnUpdate() override;
  void SetText(SourceText text);
  // Whether the text has been made for the open file (it may be empty when
  // the disassembly failed).
  bool made() const { return made_; }
  const SourceText& text() const { return text_; }

  size_t RowCount() const override { return text_.lineCount(); }
  std::string_view Row(size_t i) const override { return text_.line(i); }
  DocSize TextSize() const override;

 private:
  SourceText text_;
  bool made_ = false;
};

}  // namespace skarn::gui
