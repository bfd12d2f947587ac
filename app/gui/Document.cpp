#include "app/gui/Document.h"

#include <algorithm>

namespace skarn::gui {

SkarnDocument::SkarnDocument(GuiHost& host) : host_(host), doc_(std::make_unique<CSkarnDoc>(host)) {}

void SkarnDocument::New() {
  // A fresh core document: it forgets the last file's name as well.
  doc_.reset();
  doc_ = std::make_unique<CSkarnDoc>(host_);
  host_.SetInputPath(std::string());
  size_ = GetDocSize(doc_->summary());
  UpdateAllViews();
}

bool SkarnDocument::Open(const std::string& path) {
  host_.SetInputPath(path);
  const bool ok = doc_->Open(path);
  size_ = GetDocSize(doc_->summary());
  UpdateAllViews();
  return ok;
}

wxString SkarnDocument::title() const {
  return doc_->analysed() ? PathFromBytes(doc_->fileName()) : wxString("Untitled");
}

void SkarnDocument::AddView(DocumentView* view) {
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void SkarnDocument::RemoveView(DocumentView* view) {
  views_.erase(std::remove(views_.begin(), views_.end(), view), views_.end());
}

void SkarnDocument::UpdateAllViews() {
  for (DocumentView* view : views_) view->OnUpdate();
}

}  // namespace skarn::gui
