#include "app/gui/MapView.h"

#include <wx/dcbuffer.h>
#include <wx/graphics.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <memory>

#include "core/Account.h"

namespace skarn::gui {

namespace {

wxColour Colour(map::Rgb c, double opacity = 1.0) {
  return wxColour(c.r, c.g, c.b, static_cast<unsigned char>(std::clamp(opacity, 0.0, 1.0) * 255.0 + 0.5));
}

const map::Rgb kChosen{40, 80, 170};

}  // namespace

CMapView::CMapView(wxWindow* parent, SkarnDocument& doc)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxFULL_REPAINT_ON_RESIZE | wxWANTS_CHARS), doc_(doc) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CMapView::OnPaint, this);
  Bind(wxEVT_SIZE, &CMapView::OnSize, this);
  Bind(wxEVT_LEFT_DOWN, &CMapView::OnMouse, this);
  Bind(wxEVT_LEFT_UP, &CMapView::OnMouse, this);
  Bind(wxEVT_MOTION, &CMapView::OnMouse, this);
  Bind(wxEVT_LEAVE_WINDOW, &CMapView::OnMouse, this);
  Bind(wxEVT_MOUSEWHEEL, &CMapView::OnWheel, this);
  Bind(wxEVT_KEY_DOWN, &CMapView::OnKey, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { dragFrom_.reset(); });
  doc_.AddView(this);
}

CMapView::~CMapView() {
  if (HasCapture()) ReleaseMouse();
  doc_.RemoveView(this);
}

void CMapView::OnUpdate() {
  stale_ = true;
  band_.reset();
  highlighted_ = -1;
  if (IsShown()) Prepare();
}

void CMapView::Prepare() {
  if (stale_) {
    scene_ = map::Scene();
    if (doc_.analysed()) {
      try {
        map::MapBuilder builder;
        FileAccount account;
        DescribeFile(doc_.core(), account);
        builder.Add(account);
        scene_ = builder.Compose();
      } catch (const std::exception& e) {
        // The window stays; the map stays empty and says why.
        wxLogError("The map cannot be drawn: %s", e.what());
      }
    }
    stale_ = false;
    hovered_ = -1;
    UnsetToolTip();
  }
  FitScene();
  HighlightBand(band_);
}

void CMapView::HighlightBand(std::optional<BandRow> band) {
  band_ = band;
  if (stale_) return;
  const int item = band ? map::BandItem(scene_, band->section, band->band) : -1;
  if (item == highlighted_) return;
  highlighted_ = item;
  Refresh();
  ShowItem(item);
}

void CMapView::ShowItem(int item) {
  const wxSize size = GetClientSize();
  if (item < 0 || size.x <= 0 || size.y <= 0) return;
  double left = HUGE_VAL, top = HUGE_VAL, right = -HUGE_VAL, bottom = -HUGE_VAL;
  for (const map::Shape& s : scene_.items[static_cast<size_t>(item)].shapes) {
    for (const map::Point& p : s.points) {
      left = std::min(left, p.x);
      right = std::max(right, p.x);
      top = std::min(top, p.y);
      bottom = std::max(bottom, p.y);
    }
  }
  if (left > right) return;
  const wxPoint from = WindowPoint(map::Point{left, top});
  const wxPoint to = WindowPoint(map::Point{right, bottom});
  if (from.x >= 0 && from.y >= 0 && to.x <= size.x && to.y <= size.y) return;
  const double width = std::max(right - left, 1e-9);
  const double height = std::max(bottom - top, 1e-9);
  if (width * zoom_ > size.x || height * zoom_ > size.y) {
    zoom_ = std::clamp(std::min(size.x * 0.9 / width, size.y * 0.9 / height), 0.05, 5000.0);
  }
  offset_ = wxPoint2DDouble(size.x / 2.0 - (left + right) / 2.0 * zoom_, size.y / 2.0 - (top + bottom) / 2.0 * zoom_);
  Refresh();
}

void CMapView::FitScene() {
  const wxSize size = GetClientSize();
  if (scene_.width <= 0.0 || scene_.height <= 0.0 || size.x <= 0 || size.y <= 0) return;
  zoom_ = std::min(size.x / scene_.width, size.y / scene_.height);
  offset_ = wxPoint2DDouble((size.x - scene_.width * zoom_) / 2.0, (size.y - scene_.height * zoom_) / 2.0);
  Refresh();
}

map::Point CMapView::ScenePoint(wxPoint p) const {
  return map::Point{(p.x - offset_.m_x) / zoom_, (p.y - offset_.m_y) / zoom_};
}

wxPoint CMapView::WindowPoint(map::Point p) const {
  return wxPoint(static_cast<int>(std::lround(p.x * zoom_ + offset_.m_x)), static_cast<int>(std::lround(p.y * zoom_ + offset_.m_y)));
}

void CMapView::ZoomAt(double factor, wxPoint at) {
  const double zoom = std::clamp(zoom_ * factor, 0.05, 5000.0);
  const map::Point fixed = ScenePoint(at);
  zoom_ = zoom;
  offset_ = wxPoint2DDouble(at.x - fixed.x * zoom_, at.y - fixed.y * zoom_);
  Refresh();
}

void CMapView::Pan(wxPoint by) {
  offset_ += wxPoint2DDouble(by.x, by.y);
  Refresh();
}

std::string CMapView::HoverAt(wxPoint at) const {
  const int item = map::ItemAt(scene_, ScenePoint(at), 4.0 / zoom_, zoom_);
  return item < 0 ? std::string() : scene_.items[static_cast<size_t>(item)].hover;
}

void CMapView::OnSize(wxSizeEvent& event) {
  event.Skip();
  if (IsShown() && !stale_) FitScene();
}

void CMapView::OnMouse(wxMouseEvent& event) {
  const wxPoint at = event.GetPosition();
  if (event.LeftDown()) {
    SetFocus();
    dragFrom_ = at;
    if (!HasCapture()) CaptureMouse();
  } else if (event.LeftUp()) {
    dragFrom_.reset();
    if (HasCapture()) ReleaseMouse();
  } else if (event.Dragging() && dragFrom_) {
    Pan(at - *dragFrom_);
    dragFrom_ = at;
  } else if (event.Moving()) {
    const int item = map::ItemAt(scene_, ScenePoint(at), 4.0 / zoom_, zoom_);
    if (item != hovered_) {
      hovered_ = item;
      if (item < 0) {
        UnsetToolTip();
      } else {
        SetToolTip(wxString::FromUTF8(scene_.items[static_cast<size_t>(item)].hover));
      }
      Refresh();
    }
  }
  event.Skip();
}

void CMapView::OnWheel(wxMouseEvent& event) {
  const int delta = event.GetWheelDelta() > 0 ? event.GetWheelDelta() : 120;
  const double steps = static_cast<double>(event.GetWheelRotation()) / delta;
  ZoomAt(std::pow(1.25, steps), event.GetPosition());
}

void CMapView::OnKey(wxKeyEvent& event) {
  // + and - zoom about the middle, the arrows pan, Home fits the map again.
  const wxSize size = GetClientSize();
  const wxPoint middle(size.x / 2, size.y / 2);
  switch (event.GetKeyCode()) {
    case '+': case '=': case WXK_NUMPAD_ADD: ZoomAt(1.25, middle); break;
    case '-': case WXK_NUMPAD_SUBTRACT: ZoomAt(0.8, middle); break;
    case WXK_LEFT: Pan(wxPoint(50, 0)); break;
    case WXK_RIGHT: Pan(wxPoint(-50, 0)); break;
    case WXK_UP: Pan(wxPoint(0, 50)); break;
    case WXK_DOWN: Pan(wxPoint(0, -50)); break;
    case WXK_HOME: FitScene(); break;
    default: event.Skip();
  }
}

void CMapView::OnPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)));
  dc.Clear();
  std::unique_ptr<wxGraphicsContext> gc(wxGraphicsContext::Create(dc));
  if (!gc) return;
  gc->SetAntialiasMode(wxANTIALIAS_DEFAULT);
  auto at = [this](map::Point p) { return wxPoint2DDouble(p.x * zoom_ + offset_.m_x, p.y * zoom_ + offset_.m_y); };
  // Symbols and their labels keep their size about the feature's place.
  const map::Item* current = nullptr;
  const map::Shape* shape = nullptr;
  auto place = [&](map::Point p) {
    if (!shape->fixedSize) return at(p);
    return at(current->anchor) + wxPoint2DDouble(p.x - current->anchor.x, p.y - current->anchor.y);
  };
  const map::Rect& f = scene_.frame;
  const wxPoint2DDouble corner = at(map::Point{f.x, f.y});
  bool clipping = false;
  for (size_t i = 0; i < scene_.items.size(); ++i) {
    const map::Item& item = scene_.items[i];
    if (item.clipped != clipping) {
      if (clipping) {
        gc->ResetClip();
      } else {
        gc->Clip(corner.m_x, corner.m_y, f.width * zoom_, f.height * zoom_);
      }
      clipping = item.clipped;
    }
    const bool lit = static_cast<int>(i) == hovered_;
    const bool chosen = static_cast<int>(i) == highlighted_;
    current = &item;
    for (const map::Shape& s : item.shapes) {
      if (s.points.empty()) continue;
      shape = &s;
      map::Style st = s.style;
      if (chosen) {
        // The selected band: a strong outline and a denser fill.
        st.stroke = kChosen;
        st.fill = kChosen;
        st.strokeWidth = 2.5;
        st.fillOpacity = std::max(st.fillOpacity, 0.3);
      }
      const double width = st.strokeWidth * (lit ? 2.0 : 1.0);
      if (s.type == map::Shape::Type::kText) {
        gc->SetFont(wxFont(wxFontInfo(wxSize(0, std::max(1, static_cast<int>(std::lround(s.fontSize)))))), Colour(st.fill));
        wxDouble w = 0.0, h = 0.0, descent = 0.0, leading = 0.0;
        const wxString text = wxString::FromUTF8(s.text);
        gc->GetTextExtent(text, &w, &h, &descent, &leading);
        const wxPoint2DDouble p = place(s.points[0]);
        const double x = s.anchor == map::Shape::Anchor::kStart ? p.m_x : s.anchor == map::Shape::Anchor::kMiddle ? p.m_x - w / 2.0 : p.m_x - w;
        gc->DrawText(text, x, p.m_y - (h - descent));
        continue;
      }
      gc->SetPen(width > 0.0 ? gc->CreatePen(wxGraphicsPenInfo(Colour(st.stroke)).Width(width).Style(st.dashed ? wxPENSTYLE_SHORT_DASH : wxPENSTYLE_SOLID))
                             : wxGraphicsPen());
      const bool filled = s.type != map::Shape::Type::kLine && st.fillOpacity > 0.0;
      gc->SetBrush(filled ? gc->CreateBrush(wxBrush(Colour(st.fill, st.fillOpacity))) : wxGraphicsBrush());
      wxGraphicsPath path = gc->CreatePath();
      if (s.type == map::Shape::Type::kCircle) {
        const wxPoint2DDouble c = place(s.points[0]);
        path.AddCircle(c.m_x, c.m_y, s.fixedSize ? s.radius : s.radius * zoom_);
      } else {
        path.MoveToPoint(place(s.points[0]));
        for (size_t k = 1; k < s.points.size(); ++k) path.AddLineToPoint(place(s.points[k]));
        if (s.type == map::Shape::Type::kPolygon) path.CloseSubpath();
      }
      if (filled) gc->FillPath(path);
      if (width > 0.0) gc->StrokePath(path);
    }
  }
  if (clipping) gc->ResetClip();
  if (!doc_.analysed()) {
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
    dc.DrawText("Open a BGL file to see its map.", 10, 10);
  }
}

}  // namespace skarn::gui
