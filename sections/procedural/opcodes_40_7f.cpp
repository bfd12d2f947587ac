// Scenery commands 0x40 to 0x7F.
//
// Every handler decodes the command at file offset p, records its jump
// targets in the collect pass, writes its SCASM source in the print pass and
// returns the command's length in bytes. Lengths built from signed counts are
// returned as computed (possibly zero or negative); the walker reports them.
//
// Colon form: a conditional command whose target is the end of the program is
// written with a lone ":" where the label would stand, and no label is
// recorded for it.
//
// Commands that SCASM has no statement for are written as raw words (Dwx) so
// that assembling the text again gives back the same bytes; obsolete commands
// that the simulator ignores are replaced by a Nop where the text says so.

#include <cstdint>
#include <string>

#include "core/ByteReader.h"
#include "core/GeoText.h"
#include "core/SourceWriter.h"
#include "sections/procedural/Opcodes.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn::ops {
namespace {

inline double SignedAngle(const ByteReader& b, uint64_t at) { return GeoText::SignedAngle16(b.I16(at)); }

// ---------------------------------------------------------------- simple rows

constexpr char kShadowPosInd[] = "\tShadowPosInd( %.4X )\n";

int64_t ShadowCallVI(ProceduralSection& s, uint64_t p) {  // 0x41
  uint64_t t = s.Target16(p, 2);
  s.AddTarget(t);
  if (s.printing()) s.writer().Row<"\tShadowCallVI( :L%.6X %.4X )\n">(s.LabelOf(t), SignExtended(s.image(), p + 4));
  return 6;
}

int64_t StrobeRow(ProceduralSection& s, uint64_t p) {  // 0x45
  if (s.printing()) {
    const ByteReader& b = s.image();
    SourceWriter& w = s.writer();
    w.WriteText("   ;\tStrobeRow (obsolete in FS2000) \n");
    w.Row<"\tDwx( 0045 %.4X %.4X %.4X %.4X %.4X %.4X %.4X )\n">(U16(b, p + 2), U16(b, p + 4), U16(b, p + 6),
             U16(b, p + 8), U16(b, p + 10), U16(b, p + 12), U16(b, p + 14));
  }
  return 16;
}

int64_t TransformCall(ProceduralSection& s, uint64_t p) {  // 0x46
  uint64_t t = s.Target16(p, 2);
  s.AddTarget(t);
  if (s.printing()) {
    const ByteReader& b = s.image();
    s.writer().Row<"\tTransformCall( :L%.6X %d %d %d\n\t\t%3.0f %.4X %3.0f %.4X %3.0f %.4X )\n">(s.LabelOf(t),
                      I16(b, p + 4), I16(b, p + 6), I16(b, p + 8), SignedAngle(b, p + 10), U16(b, p + 12),
                      SignedAngle(b, p + 14), U16(b, p + 16), SignedAngle(b, p + 18), U16(b, p + 20));
  }
  return 22;
}

constexpr char kMapScale[] = "\tDwx( 0047 %.4X ) ; MAP_SCALE\n";
constexpr char kVarSeg[] = "\tVarSeg( %.4X )\n";

int64_t Building(ProceduralSection& s, uint64_t p) {  // 0x49
  if (s.printing()) {
    const ByteReader& b = s.image();
    s.writer().Row<"\tBuilding( %d %d %d %d %d %d %.4X %.4X )\n">(I16(b, p + 6), I16(b, p + 8), I16(b, p + 10),
                      I16(b, p + 12), I16(b, p + 14), I16(b, p + 16), U16(b, p + 2), U16(b, p + 4));
  }
  return 18;
}

int64_t LandingLights(ProceduralSection& s, uint64_t p) {  // 0x4A
  uint64_t t = s.Target16(p, 2);
  s.AddTarget(t);
  if (s.printing()) {
    const ByteReader& b = s.image();
    s.writer().Row<"\tLandingLights( :L%.6X %.4X %d %d %d )\n">(s.LabelOf(t), U16(b, p + 4), I16(b, p + 6),
                      I16(b, p + 8), I16(b, p + 10));
  }
  return 12;
}

// OVERLAY: total length L, a word, then (L - 6) / 2 data words. An odd L
// leaves one byte after the last word; it follows as a Dbx line so that the
// assembled command keeps its length.
int64_t Overlay(ProceduralSection& s, uint64_t p) {  // 0x4B
  const ByteReader& b = s.image();
  int64_t length = b.I16(p + 2);
  if (s.printing()) {
    SourceWriter& w = s.writer();
    w.SetLine("\tDwx( 004B %.4X %.4X ; OVERLAY (reserved)\n\t\t", U16(b, p + 2), U16(b, p + 4));
    int64_t words = (length - 6) / 2;
    for (int64_t i = 0; i < words; ++i) w.AddLine("%.4X ", U16(b, p + 6 + 2 * static_cast<uint64_t>(i)));
    w.AddLine(" )\n");
    if (length > 6 && length % 2 != 0) w.AddLine("\tDbx( %.2X )\n", U8(b, p + static_cast<uint64_t>(length) - 1));
    w.FlushLine();
  }
  return length;
}

int64_t RefPointInd(ProceduralSection& s, uint64_t p) {  // 0x4C
  uint64_t t = s.Target16(p, 2);
  s.AddColonTarget(t);
  if (s.printing()) {
    const ByteReader& b = s.image();
    SourceWriter& w = s.writer();
    if (s.AtStretchEnd(t)) {
      w.SetLine("\tRefPoint( ind : ");
    } else {
      w.SetLine("\tRefPoint( ind :L%.6X ", s.LabelOf(t));
    }
    w.AddLine(" %5.2f %.4X V1= %d V2= %d )\n", Scale(b, p + 10), SignExtended(b, p + 14), I16(b, p + 4),
              I16(b, p + 6));
    w.FlushLine();
  }
  return 16;
}

constexpr char kVar2Low64k[] = "\tVar2Low64k( %.4X %.4X )\n";
constexpr char kLow64k2Var[] = "\tLow64k2Var( %.4X %.4X )\n";
constexpr char kCopyVar[] = "\tCopyVar( %.4X %.4X )\n";

int64_t ShadedColor(ProceduralSection& s, uint64_t p) {  // 0x50
  if (s.printing()) s.writer().Row<"\tShadedColor( %.2X %.2X )\n">(U8(s.image(), p + 2), U8(s.image(), p + 3));
  return 4;
}

int64_t LineColor(ProceduralSection& s, uint64_t p) {  // 0x51
  if (s.printing()) s.writer().Row<"\tLineColor( %.2X %.2X )\n">(U8(s.image(), p + 2), U8(s.image(), p + 3));
  return 4;
}

int64_t SurfaceColor(ProceduralSection& s, uint64_t p) {  // 0x52
  if (s.printing()) s.writer().Row<"\tSurfaceColor( %.2X %.2X )\n">(U8(s.image(), p + 2), U8(s.image(), p + 3));
  return 4;
}

constexpr char kGColorAbs[] = "\tDwx( 0053 %.4X ) ; GCOLOR_ABS\n";

int64_t CallAsm(ProceduralSection& s, uint64_t p) {  // 0x54
  uint64_t t = s.Target16(p, 2);
  s.AddTarget(t);
  if (s.printing()) s.writer().Row<"\tCallAsm( :L%.6X %.4X ) ; reserved\n">(s.LabelOf(t), U16(s.image(), p + 4));
  return 6;
}

constexpr char kSurfaceType[] = "\tSurfaceType( %d %d %d %d )\n";

int64_t SetWeather(ProceduralSection& s, uint64_t p) {  // 0x56
  uint64_t t = s.Target16(p, 2);
  s.AddColonTarget(t);
  if (s.printing()) {
    if (s.AtStretchEnd(t)) {
      s.writer().WriteText("\tSetWeather( : )\n");
    } else {
      s.writer().Row<"\tSetWeather( :L%.6X )\n">(s.LabelOf(t));
    }
  }
  return 4;
}

int64_t Weather(ProceduralSection& s, uint64_t p) {  // 0x57
  if (s.printing()) {
    const ByteReader& b = s.image();
    s.writer().Row<"\tWeather( %.4X %3.0f %.4X %.4X ) ; 0x57 = WEATHER\n">(U16(b, p + 2), SignedAngle(b, p + 4),
                      U16(b, p + 6), U16(b, p + 8));
  }
  return 10;
}

int64_t TextureBounds(ProceduralSection& s, uint64_t p) {  // 0x58
  if (s.printing()) {
    const ByteReader& b = s.image();
    s.writer().Row<"\tTextureBounds( %d %d %d %d )\n">(b.I32(p + 2), b.I32(p + 6), b.I32(p + 10), b.I32(p + 14));
  }
  return 18;
}

int64_t VarSegId(ProceduralSection& s, uint64_t) {  // 0x59
  if (s.printing()) s.writer().WriteText("\tDwx( 0059 ) ; 0x59 = VAR_SEG_ID, obsolete\n");
  return 2;
}

int64_t SeedAddObj(ProceduralSection& s, uint64_t p) {  // 0x5A
  uint64_t t = s.Target16(p, 2);
  s.AddTarget(t);
  if (s.printing()) s.writer().Row<"\tSeedAddObj( :L%.6X ) ; obsolete\n">(s.LabelOf(t));
  return 4;
}

constexpr char kCallInd[] = "\tCallInd( %.4X ) ; obsolete\n";
constexpr char kFarCall[] = "\tDwx( 005C %.4X %.4X ) ; 0x5c = FAR CALL, obsolete\n";
constexpr char kRepeatBitmap[] = "\tRepeatBitmap( %d %d %d )\n";
constexpr char kTextureRotate[] = "\tDwx( 005E %.4X ) ; TEXTURE ROTATE, obsolete!\n";

// IfVSize records its target even at the end of the program (the label is
// then simply never printed), but is written in colon form all the same.
int64_t IfVSize(ProceduralSection& s, uint64_t p) {  // 0x5F
  uint64_t t = s.Target16(p, 2);
  s.AddTarget(t);
  if (s.printing()) {
    const ByteReader& b = s.image();
    SourceWriter& w = s.writer();
    if (s.AtStretchEnd(t)) {
      w.SetLine("\tIfVSize( : ");
    } else {
      w.SetLine("\tIfVSize( :L%.6X ", s.LabelOf(t));
    }
    w.AddLine("%d %d )\n", I16(b, p + 4), I16(b, p + 6));
    w.FlushLine();
  }
  return 8;
}

int64_t TexVecPoly(ProceduralSection& s, uint64_t p) {  // 0x60
  const ByteReader& b = s.image();
  int n = I16(b, p + 2);
  if (s.printing()) {
    SourceWriter& w = s.writer();
    w.Row<"\tTexVecPoly( m %d %d %d %d %d %d\n">(I16(b, p + 4), I16(b, p + 6), I16(b, p + 8), I16(b, p + 10),
             I16(b, p + 12), I16(b, p + 14));
    for (int i = 0; i < n; ++i) {
      uint64_t q = p + 16 + 6 * static_cast<uint64_t>(i);
      w.Row<"\t\t%.3d %.4d %.4d\n">(I16(b, q), I16(b, q + 2), I16(b, q + 4));
    }
    w.WriteText("\t)\n");
  }
  return 16 + 6 * static_cast<int64_t>(n);
}

// An obsolete 6-byte command the simulator skips: written as a Nop.
int64_t Obsolete61(ProceduralSection& s, uint64_t) {  // 0x61
  if (s.printing()) s.writer().WriteText("\tDwx( 0002 ) ; 0x61 = obsolete instruction, replaced by Noop\n");
  return 6;
}

int64_t IfVis(ProceduralSection& s, uint64_t p) {  // 0x62
  const ByteReader& b = s.image();
  uint64_t t = s.Target16(p, 2);
  int n = I16(b, p + 4);
  s.AddColonTarget(t);
  if (s.printing()) {
    SourceWriter& w = s.writer();
    if (s.AtStretchEnd(t)) {
      w.SetLine("\tIfVis( :\n\t\t");
    } else {
      w.SetLine("\tIfVis( :L%.6X\n\t\t", s.LabelOf(t));
    }
    for (int i = 0; i < n; ++i) w.AddLine("%d ", I16(b, p + 6 + 2 * static_cast<uint64_t>(i)));
    w.AddLine(")\n");
    w.FlushLine();
  }
  return 6 + 2 * static_cast<int64_t>(n);
}

// CallLibObj: the library object's identifier is four 32-bit words. FS2000
// and later files put a word before it; older ones do not, and nothing in the
// command tells the two apart, so the user is asked once per section object,
// where the collect pass meets the command. A command that only the print
// pass meets (the collect pass took it for data) asks nothing: while no
// answer is known it takes the older layout.
int64_t CallLibObj(ProceduralSection& s, uint64_t p) {  // 0x63
  const int form = s.collecting() ? s.LibraryCallForm() : s.knownLibraryCallForm();
  if (form == 1) {
    if (s.printing()) {
      const ByteReader& b = s.image();
      s.writer().Row<"\tCallLibObj( 0 %.8X %.8X %.8X %.8X )\n">(b.U32(p + 4), b.U32(p + 8), b.U32(p + 12),
                        b.U32(p + 16));
    }
    return 20;
  }
  if (s.printing()) {
    const ByteReader& b = s.image();
    s.writer().Row<"\tCallLibObj1( %.8X %.8X %.8X %.8X )\n">(b.U32(p + 2), b.U32(p + 6), b.U32(p + 10),
                      b.U32(p + 14));
  }
  return 18;
}

// BGL_List: a label and n words that the simulator fills in at run time; the
// source gives their number as zeros.
int64_t BglList(ProceduralSection& s, uint64_t p) {  // 0x64
  const ByteReader& b = s.image();
  uint64_t t = s.Target16(p, 2);
  int n = I16(b, p + 4);
  s.AddTarget(t);
  if (s.printing()) {
    SourceWriter& w = s.writer();
    w.SetLine("\tBGL_List( :L%.6X ", s.LabelOf(t));
    for (int i = 0; i < n; ++i) {
      w.line += "0 ";
      if (i % 8 == 7) w.line += "\n\t\t";
    }
    w.line += ")\n";
    w.FlushLine();
  }
  return 6 + 2 * static_cast<int64_t>(n);
}

constexpr char kLoadSurfaceColor[] = "\tLoadSurfaceColor( %.4X )\n";
constexpr char kLoadShadedColor[] = "\tLoadShadedColor( %.4X )\n";
constexpr char kLoadLineColor[] = "\tLoadLineColor( %.4X )\n";
constexpr char kTexPolyShading[] = "\tTexPolyShading( %d %d %d )\n";
constexpr char kRoadStart[] = "\tRoadStart( %d %d %d %d )\n";
constexpr char kRoadCont[] = "\tRoadCont( %d %d %d )\n";
constexpr char kRiverStart[] = "\tRiverStart( %d %d %d %d )\n";
constexpr char kRiverCont[] = "\tRiverCont( %d %d %d )\n";

int64_t IfHSize(ProceduralSection& s, uint64_t p) {  // 0x6D
  uint64_t t = s.Target16(p, 2);
  s.AddColonTarget(t);
  if (s.printing()) {
    const ByteReader& b = s.image();
    if (s.AtStretchEnd(t)) {
      s.writer().Row<"\tIfHSize( : %d %d )\n">(I16(b, p + 4), I16(b, p + 6));
    } else {
      s.writer().Row<"\tIfHSize( :L%.6X %d %d )\n">(s.LabelOf(t), I16(b, p + 4), I16(b, p + 6));
    }
  }
  return 8;
}

constexpr char kTaxiwayStart[] = "\tTaxiwayStart( %d %d %d %d )\n";
constexpr char kTaxiwayCont[] = "\tTaxiwayCont( %d %d %d )\n";

// AreaSense: a polygon of n (x, z) pairs, five pairs to a line.
int64_t AreaSense(ProceduralSection& s, uint64_t p) {  // 0x70
  const ByteReader& b = s.image();
  uint64_t t = s.Target16(p, 2);
  int n = I16(b, p + 4);
  s.AddColonTarget(t);
  if (s.printing()) {
    SourceWriter& w = s.writer();
    if (s.AtStretchEnd(t)) {
      w.WriteText("\tAreaSense( :\n\t\t");
    } else {
      w.Row<"\tAreaSense( :L%.6X\n\t\t">(s.LabelOf(t));
    }
    for (int i = 0; i < n; ++i) {
      uint64_t q = p + 6 + 4 * static_cast<uint64_t>(i);
      w.Row<"%d %d  ">(I16(b, q), I16(b, q + 2));
      if (i % 5 == 4) w.WriteText("\n\t\t");
    }
    w.WriteText(")\n");
  }
  return 6 + 4 * static_cast<int64_t>(n);
}

int64_t SetElevation(ProceduralSection& s, uint64_t p) {  // 0x71
  if (s.printing()) {
    s.writer().Row<"\tSetElevation( %d ) ; section16 specific \n">(static_cast<int>(U16(s.image(), p + 2)));
  }
  return 4;
}

int64_t ApproachLights(ProceduralSection& s, uint64_t p) {  // 0x72
  if (s.printing()) {
    const ByteReader& b = s.image();
    SourceWriter& w = s.writer();
    w.WriteText("\tApproachLights(          ; obsolete\n");
    w.Row<"\t\theading %5.0f\n">(SignedAngle(b, p + 2));
    w.Row<"\t\tlength   %.5d ; from center in feet\n">(I16(b, p + 6));
    w.Row<"\t\twidth    %.5d ; in feet\n">(I16(b, p + 4));
    if (unsigned thr = U8(b, p + 8)) w.Row<"\t\tThrLights  %d\n">(static_cast<int>(thr));
    if (unsigned apr = U8(b, p + 9)) w.Row<"\t\tAprL       %d\n">(static_cast<int>(apr));
    if (unsigned bars = U8(b, p + 11)) {
      w.Row<"\t\tVasiBars   %d\n">(static_cast<int>(bars));
      w.Row<"\t\tVasiSpace  %d\n">(I16(b, p + 18));
      w.Row<"\t\tVasiDist   %d\n">(I16(b, p + 16));
      w.Row<"\t\tVasiSide   %d\n">(I16(b, p + 14));
      w.Row<"\t\tVasiSlopeN  %3.1f\n">(SignedAngle(b, p + 12));
    }
    w.WriteText("\t)\n");
  }
  return 20;
}

int64_t Monitor3d(ProceduralSection& s, uint64_t p) {  // 0x73
  uint64_t t = s.Target16(p, 2);
  s.AddColonTarget(t);
  if (s.printing()) {
    const ByteReader& b = s.image();
    SourceWriter& w = s.writer();
    if (s.AtStretchEnd(t)) {
      w.SetLine("\tMonitor3d( : ");
    } else {
      w.SetLine("\tMonitor3d( :L%.6X ", s.LabelOf(t));
    }
    w.AddLine("%d %d %d %d %d %d )\n", I16(b, p + 4), I16(b, p + 6), I16(b, p + 8), I16(b, p + 10), I16(b, p + 12),
              I16(b, p + 14));
    w.FlushLine();
  }
  return 16;
}

int64_t LayerCall(ProceduralSection& s, uint64_t p) {  // 0x74
  uint64_t t = s.Target16(p, 2);
  s.AddTarget(t);
  if (s.printing()) s.writer().Row<"\tLayerCall( :L%.6X %d )\n">(s.LabelOf(t), I16(s.image(), p + 4));
  return 6;
}

int64_t AddMountain(ProceduralSection& s, uint64_t p) {  // 0x75
  uint64_t t = s.Target16(p, 2);
  s.AddTarget(t);
  if (s.printing()) s.writer().Row<"\tAddMountain( :L%.6X )\n">(s.LabelOf(t));
  return 4;
}

int64_t Perspective(ProceduralSection& s, uint64_t) {  // 0x76
  if (s.printing()) s.writer().WriteText("\tPerspective\n");
  return 2;
}

int64_t RefPointRel(ProceduralSection& s, uint64_t p) {  // 0x77
  uint64_t t = s.Target16(p, 2);
  s.AddColonTarget(t);
  if (s.printing()) {
    const ByteReader& b = s.image();
    SourceWriter& w = s.writer();
    GeoText& geo = s.geo();
    const char* lat = geo.LatText(GeoText::Lat48(Raw48(b, p + 14)));
    const char* lon = geo.LonText(GeoText::Lon48(Raw48(b, p + 20)));
    if (s.AtStretchEnd(t)) {
      w.Row<"\tRefPoint( rel : %5.2f%s%s">(Scale(b, p + 10), lat, lon);
    } else {
      w.Row<"\tRefPoint( rel :L%.6X %5.2f%s%s">(s.LabelOf(t), Scale(b, p + 10), lat, lon);
    }
    w.Row<"\n\t\tV1= %d V2= %d )\n">(I16(b, p + 4), I16(b, p + 6));
  }
  return 32;
}

constexpr char kRoadContW[] = "\tDwx( 0078 %.4X %.4X %.4X %.4X ) ; 0x78 = ROADCONTW\n";
constexpr char kRiverContW[] = "\tDwx( 0079 %.4X %.4X %.4X %.4X ) ; 0x79 = RIVERCONTW\n";

int64_t ShadedTexPoly(ProceduralSection& s, uint64_t p) {  // 0x7A
  const ByteReader& b = s.image();
  unsigned n = U16(b, p + 2);
  if (s.printing()) {
    SourceWriter& w = s.writer();
    w.Row<"\tShadedTexPoly( m %d %d %d %7.2f\n">(I16(b, p + 4), I16(b, p + 6), I16(b, p + 8), Dist(b, p + 10));
    for (unsigned i = 0; i < n; ++i) {
      uint64_t q = p + 14 + 6 * static_cast<uint64_t>(i);
      w.Row<"\t\t%.3d %.3d %.3d ; %d\n">(I16(b, q), I16(b, q + 2), I16(b, q + 4), static_cast<int>(i));
    }
    w.WriteText("\t)\n");
  }
  return 14 + 6 * static_cast<int64_t>(n);
}

// ShadedTexVecPoly has no SCASM statement: it is written as a comment for the
// reader and as raw words (command word included) for the assembler.
int64_t ShadedTexVecPoly(ProceduralSection& s, uint64_t p) {  // 0x7B
  const ByteReader& b = s.image();
  int n = I16(b, p + 2);
  if (s.printing()) {
    SourceWriter& w = s.writer();
    w.Row<";\tShadedTexVecPoly( m %d %d %d %d %d %d ; not available in SCASM\n">(I16(b, p + 4), I16(b, p + 6),
             I16(b, p + 8), I16(b, p + 10), I16(b, p + 12), I16(b, p + 14));
    w.SetLine("\tDwx( 007B %.4X %.4X %.4X %.4X %.4X %.4X %.4X \n", U16(b, p + 2), U16(b, p + 4), U16(b, p + 6),
              U16(b, p + 8), U16(b, p + 10), U16(b, p + 12), U16(b, p + 14));
    for (int i = 0; i < n; ++i) {
      uint64_t q = p + 16 + 6 * static_cast<uint64_t>(i);
      w.Row<";\t\t%.3d %.4d %.4d\n">(I16(b, q), I16(b, q + 2), I16(b, q + 4));
      w.AddLine("\t\t%.4X %.4X %.4X\n", U16(b, q), U16(b, q + 2), U16(b, q + 4));
    }
    w.WriteText(";\t)\n");
    w.line += "\t)\n";
    w.FlushLine();
  }
  return 16 + 6 * static_cast<int64_t>(n);
}

int64_t BglSelect(ProceduralSection& s, uint64_t p) {  // 0x7C
  uint64_t t = s.Target16(p, 6);
  s.AddTarget(t);
  if (s.printing()) {
    const ByteReader& b = s.image();
    s.writer().Row<"\tBglSelect( %d %d :L%.6X\n">(I16(b, p + 2), I16(b, p + 4), s.LabelOf(t));
  }
  return 8;
}

int64_t POverride(ProceduralSection& s, uint64_t) {  // 0x7D
  if (s.printing()) s.writer().WriteText("\tPOverride\n");
  return 2;
}

int64_t Setvar7E(ProceduralSection& s, uint64_t p) {  // 0x7E
  if (s.printing()) s.writer().Row<"\tSetvar7E( %.4X %d )\n">(U16(s.image(), p + 2), I16(s.image(), p + 4));
  return 6;
}

int64_t City(ProceduralSection& s, uint64_t) {  // 0x7F
  if (s.printing()) s.writer().WriteText("\tCity ; in FS2000 obsolete\n");
  return 2;
}

// ---------------------------------------------------------------- records

// RunwayData (0x42, 0x44): a fixed 64-byte runway description. Optional
// fields are written only when set; the near-end VASI distance and side are
// stored with the opposite sign to the one the source uses.
int64_t RunwayData(ProceduralSection& s, uint64_t p) {  // 0x42, 0x44
  if (!s.printing()) return 64;
  const ByteReader& b = s.image();
  SourceWriter& w = s.writer();
  GeoText& geo = s.geo();
  const char* lat = geo.LatText(GeoText::Lat48(Raw48(b, p + 2)));
  const char* lon = geo.LonText(GeoText::Lon48(Raw48(b, p + 8)));
  w.Row<"\tRunwayData( %s%s\n">(lat, lon);
  w.Row<"\t\talt   %5.1f\n">(GeoText::Fixed48(Raw48(b, p + 14)));
  w.Row<"\t\theading %5.0f\n">(GeoText::Angle16(b.U16(p + 20)));
  w.Row<"\t\tlength   %5d ; in feet\n">(I16(b, p + 22));
  w.Row<"\t\twidth    %5d ; in feet\n">(I16(b, p + 24));
  w.Row<"\t\tmarkers  %.2X\n">(U8(b, p + 26));
  uint8_t designator = b.U8(p + 27);
  w.Row<"\t\tid       %d%c\n">(RunwayNumber(designator), RunwayLetter(designator));
  w.Row<"\t\tlights   %X\n">(U8(b, p + 28));
  w.Row<"\t\tsurface  %X\n">(U8(b, p + 30));

  if (int v = I16(b, p + 32)) w.Row<"\t\tThrOffN    %d\n">(v);
  if (int v = I16(b, p + 36)) w.Row<"\t\tThrOffF    %d\n">(v);
  if (int v = I16(b, p + 34)) w.Row<"\t\tExtN       %d\n">(v);
  if (int v = I16(b, p + 38)) w.Row<"\t\tExtF       %d\n">(v);
  if (unsigned v = U8(b, p + 40)) w.Row<"\t\tThrLightsN %.2X\n">(v);
  if (unsigned v = U8(b, p + 41)) w.Row<"\t\tAprLN      %d\n">(static_cast<int>(v));
  if (unsigned v = U8(b, p + 42)) w.Row<"\t\tStrobesN   %d\n">(static_cast<int>(v));
  if (unsigned v = U8(b, p + 52)) w.Row<"\t\tThrLightsF %.2X\n">(v);
  if (unsigned v = U8(b, p + 53)) w.Row<"\t\tAprLF      %d\n">(static_cast<int>(v));
  if (unsigned v = U8(b, p + 54)) w.Row<"\t\tStrobesF   %d\n">(static_cast<int>(v));

  if (unsigned bars = U8(b, p + 43)) {
    w.Row<"\t\tVasiBarsN  %d\n">(static_cast<int>(bars));
    w.Row<"\t\tVasiSpaceN %d\n">(I16(b, p + 50));
    w.Row<"\t\tVasiDistN  %d\n">(-I16(b, p + 48));
    w.Row<"\t\tVasiSideN  %d\n">(-I16(b, p + 46));
    w.Row<"\t\tVasiSlopeN %3.1f\n">(SignedAngle(b, p + 44));
  }
  if (unsigned bars = U8(b, p + 55)) {
    w.Row<"\t\tVasiBarsF  %d\n">(static_cast<int>(bars));
    w.Row<"\t\tVasiSpaceF %d\n">(I16(b, p + 62));
    w.Row<"\t\tVasiDistF  %d\n">(I16(b, p + 60));
    w.Row<"\t\tVasiSideF  %d\n">(I16(b, p + 58));
    w.Row<"\t\tVasiSlopeF %3.1f\n">(SignedAngle(b, p + 56));
  }
  w.WriteText("\t)\n");
  return 64;
}

// LoadBitmap (0x43): a texture by name, with its flags. The command is as
// long as its length word; the name is read no further than the command's
// end, so an unterminated name never runs into the next command.
int64_t LoadBitmap(ProceduralSection& s, uint64_t p) {  // 0x43
  const ByteReader& b = s.image();
  int64_t length = b.I16(p + 2);
  uint64_t nameMax = length > 12 ? static_cast<uint64_t>(length - 12) : 0;
  if (s.collecting()) {
    if (s.listOnly()) {
      const std::string_view name = s.CText(p + 12, nameMax);
      s.writer().Printf("\t%.*s (LoadBitmap)\n", static_cast<int>(name.size()), name.data());
    }
    return length;
  }
  SourceWriter& w = s.writer();
  unsigned flags = U16(b, p + 6);
  w.Row<"\tLoadBitmap( %d ">(I16(b, p + 4));
  w.Row<"%s%d %.2X %d %d %d\n">(BitmapFlagLetters(flags).c_str(), static_cast<int>(flags & 7), U8(b, p + 9),
           static_cast<int>(U8(b, p + 8)), static_cast<int>(U8(b, p + 10)), static_cast<int>(U8(b, p + 11)));
  const std::string_view name = s.CText(p + 12, nameMax);
  w.Printf("\t\t%.*s )\n", static_cast<int>(name.size()), name.data());
  return length;
}

}  // namespace

void Register40To7F(OpHandler* table) {
  table[0x40] = U16Line<kShadowPosInd, 4, 1>;
  table[0x41] = ShadowCallVI;
  table[0x42] = RunwayData;
  table[0x43] = LoadBitmap;
  table[0x44] = RunwayData;
  table[0x45] = StrobeRow;
  table[0x46] = TransformCall;
  table[0x47] = U16Line<kMapScale, 4, 1>;
  table[0x48] = U16Line<kVarSeg, 4, 1>;
  table[0x49] = Building;
  table[0x4A] = LandingLights;
  table[0x4B] = Overlay;
  table[0x4C] = RefPointInd;
  table[0x4D] = U16Line<kVar2Low64k, 6, 2>;
  table[0x4E] = U16Line<kLow64k2Var, 6, 2>;
  table[0x4F] = U16Line<kCopyVar, 6, 2>;
  table[0x50] = ShadedColor;
  table[0x51] = LineColor;
  table[0x52] = SurfaceColor;
  table[0x53] = U16Line<kGColorAbs, 4, 1>;
  table[0x54] = CallAsm;
  table[0x55] = I16Line<kSurfaceType, 10, 4>;
  table[0x56] = SetWeather;
  table[0x57] = Weather;
  table[0x58] = TextureBounds;
  table[0x59] = VarSegId;
  table[0x5A] = SeedAddObj;
  table[0x5B] = U16Line<kCallInd, 4, 1>;
  table[0x5C] = U16Line<kFarCall, 6, 2>;
  table[0x5D] = I16Line<kRepeatBitmap, 8, 3>;
  table[0x5E] = U16Line<kTextureRotate, 4, 1>;
  table[0x5F] = IfVSize;
  table[0x60] = TexVecPoly;
  table[0x61] = Obsolete61;
  table[0x62] = IfVis;
  table[0x63] = CallLibObj;
  table[0x64] = BglList;
  table[0x65] = U16Line<kLoadSurfaceColor, 4, 1>;
  table[0x66] = U16Line<kLoadShadedColor, 4, 1>;
  table[0x67] = U16Line<kLoadLineColor, 4, 1>;
  table[0x68] = I16Line<kTexPolyShading, 8, 3>;
  table[0x69] = I16Line<kRoadStart, 10, 4>;
  table[0x6A] = I16Line<kRoadCont, 8, 3>;
  table[0x6B] = I16Line<kRiverStart, 10, 4>;
  table[0x6C] = I16Line<kRiverCont, 8, 3>;
  table[0x6D] = IfHSize;
  table[0x6E] = I16Line<kTaxiwayStart, 10, 4>;
  table[0x6F] = I16Line<kTaxiwayCont, 8, 3>;
  table[0x70] = AreaSense;
  table[0x71] = SetElevation;
  table[0x72] = ApproachLights;
  table[0x73] = Monitor3d;
  table[0x74] = LayerCall;
  table[0x75] = AddMountain;
  table[0x76] = Perspective;
  table[0x77] = RefPointRel;
  table[0x78] = U16Line<kRoadContW, 10, 4>;
  table[0x79] = U16Line<kRiverContW, 10, 4>;
  table[0x7A] = ShadedTexPoly;
  table[0x7B] = ShadedTexVecPoly;
  table[0x7C] = BglSelect;
  table[0x7D] = POverride;
  table[0x7E] = Setvar7E;
  table[0x7F] = City;
}

}  // namespace skarn::ops
