// The map view: the document's file drawn as the map scene (the same scene
// `skarn map` writes as SVG). Drag with the mouse to pan, turn the wheel to
// zoom about the pointer, rest the pointer on a symbol for its details.
#pragma once

#include <optional>

#include "app/gui/Document.h"
#include "app/gui/GuiLogic.h"
#include "app/gui/WxInclude.h"
#include "map/MapScene.h"

namespace skarn::gui {

class CMapView : public wxWindow, public DocumentView {
 public:
  CMapView(wxWindow* parent, SkarnDocument& doc);
  ~CMapView() override;
  CMapView(const CMapView&) = delete;
  CMapView& operator=(const CMapView&) = delete;

  // The scene is made again when the view is next shown.
  void OnUpdate() override;
  // Makes the scene if it is out of date and fits it into the window.
  void Prepare();
  // Zooms by factor about a point of the window; pans by a distance.
  void ZoomAt(double factor, wxPoint at);
  void Pan(wxPoint by);
  // Test hook: the hover text at a point of the window ("" for none), and
  // where a scene point lands in the window.
  std::string HoverAt(wxPoint at) const;
  wxPoint WindowPoint(map::Point p) const;
  const map::Scene& scene() const { return scene_; }
  // Highlights a latitude band (the summary's selected band row), bringing
  // it into view; nothing highlights none.
  void HighlightBand(std::optional<BandRow> band);
  // The highlighted band's item, or -1.
  int highlighted() const { return highlighted_; }

 private:
  void FitScene();
  // Pans (and zooms out, if it is larger than the window) so that the
  // item's shapes lie in the window.
  void ShowItem(int item);
  map::Point ScenePoint(wxPoint p) const;
  void OnPaint(wxPaintEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnMouse(wxMouseEvent& event);
  void OnWheel(wxMouseEvent& event);
  void OnKey(wxKeyEvent& event);

  SkarnDocument& doc_;
  map::Scene scene_;
  bool stale_ = true;
  double zoom_ = 1.0;
  wxPoint2DDouble offset_;
  std::optional<wxPoint> dragFrom_;
  int hovered_ = -1;
  std::optional<BandRow> band_;
  int highlighted_ = -1;
};

}  // namespace skarn::gui
