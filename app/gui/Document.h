// The window program's document: the core's CSkarnDoc, replaced whole by File
// New, plus the list of views that show it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/gui/GuiHost.h"
#include "app/gui/GuiLogic.h"
#include "core/SkarnDoc.h"

namespace skarn::gui {

// A window that shows the document and redraws when told.
class DocumentView {
 public:
  virtual ~DocumentView() = default;
  virtual void OnUpdate() = 0;
};

class SkarnDocument {
 public:
  explicit SkarnDocument(GuiHost& host);
  SkarnDocument(const SkarnDocument&) = delete;
  SkarnDocument& operator=(const SkarnDocument&) = delete;

  // An empty document named "Untitled".
  void New();
  // Reads and analyses the file (the Open command without its dialog) and
  // updates the views, also when the file could not be read: they then show
  // the empty document. Returns the analysed flag.
  bool Open(const std::string& path);

  CSkarnDoc& core() { return *doc_; }
  const CSkarnDoc& core() const { return *doc_; }
  const std::vector<std::string>& lines() const { return doc_->summary(); }
  bool analysed() const { return doc_->analysed(); }
  // Computed once per change: a summary may have a million lines.
  DocSize docSize() const { return size_; }
  // The name shown in the window title: the file name once a file has been
  // analysed, "Untitled" otherwise.
  wxString title() const;

  void AddView(DocumentView* view);
  void RemoveView(DocumentView* view);
  void UpdateAllViews();

 private:
  GuiHost& host_;
  std::unique_ptr<CSkarnDoc> doc_;
  DocSize size_;
  std::vector<DocumentView*> views_;
};

}  // namespace skarn::gui
