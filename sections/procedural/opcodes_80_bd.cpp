// Scenery commands 0x80 to 0xBD: the 32-bit jumps and calls, collision
// (crash) volumes, terrain meshes, generic buildings, runways, lights,
// transforms, and the vertex, material, texture and draw lists of the newer
// scenery engine.
//
// Every handler reads its operands through the bounds-checked image reader; a
// read outside the file yields 0 and sets the reader's sticky flag, which the
// walker checks after the handler (the half-written text is then taken back).
// Loops over counts taken from the file stop as soon as that flag is set, so a
// lying count cannot keep the walk busy.
#include <cmath>
#include <cstdint>
#include <string_view>

#include "core/ByteReader.h"
#include "core/Format.h"
#include "core/GeoText.h"
#include "core/SourceWriter.h"
#include "sections/procedural/Opcodes.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn::ops {
namespace {

using Section = ProceduralSection;

// ---- operand access (beyond the readers in Opcodes.h) ---------------------

int I32(const Section& s, uint64_t at) { return static_cast<int>(s.image().I32(at)); }
unsigned U32(const Section& s, uint64_t at) { return static_cast<unsigned>(s.image().U32(at)); }
double F32(const Section& s, uint64_t at) { return static_cast<double>(s.image().F32(at)); }
bool Failed(const Section& s) { return s.image().failed(); }

// To the nearest whole number, halves away from zero.
int Nearest(double x) { return static_cast<int>(std::lround(x)); }

// ---- output helpers -------------------------------------------------------

// "break after every 8th": the line goes on in the next continuation line.
void BreakAfter8th(std::string& line, int64_t index) {
  if (index % 8 == 7) line += "\n\t\t";
}

// The reference of VarBase, Interpolate and Animate: displacements of -1, 0
// and 1 are values, not addresses ("[d]"); any other one names the code at
// command address + d.
bool IsReference(int32_t d) { return d < -1 || d > 1; }
void AddReference(Section& s, uint64_t p) {
  if (IsReference(s.image().I32(p + 2))) s.AddTarget(s.Target32(p, 2));
}
void WriteReference(Section& s, uint64_t p) {
  const int32_t d = s.image().I32(p + 2);
  if (IsReference(d)) {
    Out(s).Row<":L%.6X">(s.LabelOf(s.Target32(p, 2)));
  } else {
    Out(s).Row<":[%d]">(static_cast<int>(d));
  }
}

// ---- simple commands --------------------------------------------------------

// Commands with one i16 operand at +2.
constexpr char kDotPt[] = "\tDotPt( %d )\n";
constexpr char kSmoothing[] = "\tSmoothing( %d )\n";
constexpr char kVFileMarker[] = "\tVFileMarker ( %d ) ; reserved!\n";
constexpr char kMipMap[] = "\tMipMap( %d ) ; in FS2000 obsolete!\n";
constexpr char kSpecular[] = "\tSpecular( %d ) ; in FS2000 reserved?\n";
constexpr char kSetCrashCode[] = "\tSetCrashCode( %d )\n";
constexpr char kLoadBitmapClass[] = "\tLoadBitmapClass( %d )\n";
constexpr char kZBias[] = "\tZBias( %d )\n";
constexpr char kAsdName[] = "\tNOP ; 0x85 ASD NAME obsolete, do not use!\n";
constexpr char kPageFault[] = "\tNop ; 0x86 PAGE FAULT should not occur!\n";
constexpr char kTransformEnd[] = "\tTransformEnd\n";
constexpr char kEndVersion[] = "\tEndVersion\n";

// 0x82 ShadowPos: a position and an altitude in whole metres.
int64_t ShadowPos(Section& s, uint64_t p) {
  if (s.printing()) {
    GeoText& geo = s.geo();
    Out(s).Row<"\tShadowPos( %s %s %lld )\n">(geo.LatText(GeoText::Lat48(Raw48(s, p + 2))),
                  geo.LonText(GeoText::Lon48(Raw48(s, p + 8))), HalfUp(GeoText::Fixed48(Raw48(s, p + 14))));
  }
  return 20;
}

// 0x83 ReScale.
int64_t ReScale(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.AtStretchEnd(t)) {
    Out(s).Row<"\tReScale( : %d %d %f )\n">(I16(s, p + 4), I16(s, p + 6), Scale(s, p + 8));
  } else {
    Out(s).Row<"\tReScale( :L%.6X %d %d %f )\n">(s.LabelOf(t), I16(s, p + 4), I16(s, p + 6), Scale(s, p + 8));
  }
  return 12;
}

// 0x84 surface normal, which has no statement of its own.
constexpr char kSurfaceNormal[] = "\tDwx( 0084 %.4X %.4X %.4X ) ; 0x84 = SURFACE NORMAL\n";

// 0x87 CustomColors.
int64_t CustomColors(Section& s, uint64_t p) {
  if (s.printing()) Out(s).Row<"\tCustomColors( %d )\n">(static_cast<int>(U16(s, p + 2)));
  return 4;
}

// 0x88 Jump32: what follows is reachable only through a label.
int64_t Jump32(Section& s, uint64_t p) {
  const uint64_t t = s.Target32(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
    s.labels().MarkUnreachable(s.LabelOf(p + 6));
  } else if (s.AtStretchEnd(t)) {
    Out(s).WriteText("\tJump32( : )\n");
  } else {
    Out(s).Row<"\tJump32( :L%.6X )\n">(s.LabelOf(t));
  }
  return 6;
}

// 0x89 VarBase.
int64_t VarBase(Section& s, uint64_t p) {
  if (s.collecting()) {
    AddReference(s, p);
  } else {
    Out(s).WriteText("\tVarBase( ");
    WriteReference(s, p);
    Out(s).WriteText(" )\n");
  }
  return 6;
}

// 0x8A Call32.
int64_t Call32(Section& s, uint64_t p) {
  const uint64_t t = s.Target32(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else {
    Out(s).Row<"\tCall32( :L%.6X )\n">(s.LabelOf(t));
  }
  return 6;
}

// 0x8B LayerCall32.
int64_t LayerCall32(Section& s, uint64_t p) {
  const uint64_t t = s.Target32(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else {
    Out(s).Row<"\tLayerCall32( :L%.6X %d )\n">(s.LabelOf(t), I16(s, p + 6));
  }
  return 8;
}

// 0x8C AsmCall32: its operand is not followed as code.
int64_t AsmCall32(Section& s, uint64_t p) {
  if (s.printing()) Out(s).Row<"\tAsmCall32 ( :[%d] ) ; reserved!\n">(I32(s, p + 2));
  return 6;
}

// 0x8D 32-bit file marker.
constexpr char kFileMarker32[] = "\tDwx( 008D %.4X %.4X ; FILE_MARKER_32, reserved\n";

// 0x8F AlphaColor (the word at +4 is not used).
constexpr char kAlphaColor[] = "\tAlphaColor( %.4X )\n";

// 0x90 PolyM: the vertex numbers are single bytes, bit 7 a sign bit; the
// command is padded to an even length.
int64_t PolyM(Section& s, uint64_t p) {
  const int64_t n = I16(s, p + 2);
  const int64_t length = 14 + (n + 2) / 2 * 2;
  if (!s.printing()) return length;
  std::string& line = Out(s).line;
  line.clear();
  Appendf(line, "\tPolyM( m %d %d %d %d ; in FS2000 reserved?\n", I16(s, p + 4), I16(s, p + 6), I16(s, p + 8),
          Nearest(Dist(s, p + 10)));
  for (int64_t i = 0; i < n && !Failed(s); ++i) {
    const unsigned b = U8(s, p + 15 + static_cast<uint64_t>(i));
    const int v = (b & 0x80) ? -static_cast<int>(b & 0x7F) : static_cast<int>(b);
    Appendf(line, "%d ", v);
    BreakAfter8th(line, i);
  }
  line += "\n\t)\n";
  Out(s).FlushLine();
  return length;
}

// 0x91 text command, which has no statement.
constexpr char kBglText[] = "\tDwx( 0091 %.4X %.4X %.4X %.4X %.4X ) ; BGL_TEXT not available in SCASM\n";

// ---- crash (collision) volumes ------------------------------------------------

// 0x94 Crash. A zero third displacement would name the command itself, which
// is no crash handler: it stands for "no third target" and is written ":[0]".
int64_t Crash(Section& s, uint64_t p) {
  const uint64_t t1 = s.Target16(p, 2);
  const uint64_t t2 = s.Target16(p, 6);
  const bool hasThird = s.image().I16(p + 8) != 0;
  const uint64_t t3 = s.Target16(p, 8);
  if (s.collecting()) {
    s.AddTarget(t1);
    s.AddTarget(t2);
    if (hasThird) s.AddTarget(t3);
  } else if (hasThird) {
    Out(s).Row<"\tCrash( :L%.6X %d :L%.6x :L%.6X %d )\n">(s.LabelOf(t1), I16(s, p + 4), s.LabelOf(t2),
                  s.LabelOf(t3), I16(s, p + 10));
  } else {
    Out(s).Row<"\tCrash( :L%.6X %d :L%.6X :[0] %d )\n">(s.LabelOf(t1), I16(s, p + 4), s.LabelOf(t2),
                  I16(s, p + 10));
  }
  return 12;
}

// 0x95 CrashIndirect: the third target exists when its displacement is not 0.
int64_t CrashIndirect(Section& s, uint64_t p) {
  const uint64_t t1 = s.Target16(p, 2);
  const uint64_t t2 = s.Target16(p, 4);
  const bool hasThird = s.image().I16(p + 6) != 0;
  const uint64_t t3 = s.Target16(p, 6);
  const int code = static_cast<int>(U16(s, p + 8) & 0xFF);
  if (s.collecting()) {
    s.AddTarget(t1);
    s.AddTarget(t2);
    if (hasThird) s.AddTarget(t3);
  } else if (hasThird) {
    Out(s).Row<"\tCrashIndirect( :L%.6X :L%.6X :L%.6X 0 %d )\n">(s.LabelOf(t1), s.LabelOf(t2), s.LabelOf(t3),
                  code);
  } else {
    Out(s).Row<"\tCrashIndirect( :L%.6X :L%.6X :[0] 0 %d )\n">(s.LabelOf(t1), s.LabelOf(t2), code);
  }
  return 10;
}

// A label and one i16 (CrashStart, CrashSphere).
template <const char* Fmt>
int64_t LabelAndI16(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else {
    Out(s).Printf(Fmt, s.LabelOf(t), I16(s, p + 4));
  }
  return 6;
}
constexpr char kCrashStart[] = "\tCrashStart( :L%.6X %d )\n";
constexpr char kCrashSphere[] = "\tCrashSphere( :L%.6X %d )\n";

// 0x98 CrashBox: the box's three angles in whole degrees.
int64_t CrashBox(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else {
    Out(s).Row<"\tCrashBox( :L%.6X %d %d %d %d %d %d %d %d %d )\n">(s.LabelOf(t), I16(s, p + 4),
                  I16(s, p + 6), I16(s, p + 8), I16(s, p + 10), I16(s, p + 12), I16(s, p + 14),
                  Nearest(GeoText::SignedAngle16(s.image().I16(p + 16))),
                  Nearest(GeoText::SignedAngle16(s.image().I16(p + 18))),
                  Nearest(GeoText::SignedAngle16(s.image().I16(p + 20))));
  }
  return 22;
}

// 0xB0 CrashOctTree: a bounding box and a tree of nodes of eight bytes.
int64_t CrashOctTree(Section& s, uint64_t p) {
  const int64_t length = I16(s, p + 2);
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  w.Row<"CrashOctTree( %d %.6f %.6f %.6f %.6f %.6f %.6f\n">(I16(s, p + 4), F32(s, p + 8), F32(s, p + 12),
           F32(s, p + 16), F32(s, p + 20), F32(s, p + 28), F32(s, p + 24));
  w.Row<"\t%d %d %d %d %d %d %d %d\n">(U16(s, p + 32), U16(s, p + 34), U16(s, p + 36), U16(s, p + 38),
           U16(s, p + 40), U16(s, p + 42), U16(s, p + 44), U16(s, p + 46));
  const int nodes = I16(s, p + 6);
  for (int i = 0; i < nodes && !Failed(s); ++i) {
    const uint64_t q = p + 48 + 8 * static_cast<uint64_t>(i);
    w.Row<"\t; OCTTREE_Node %d\n\t %d %d %d %d %d %d %d %d\n">(i, U8(s, q), U8(s, q + 1), U8(s, q + 2),
             U8(s, q + 3), U8(s, q + 4), U8(s, q + 5), U8(s, q + 6), U8(s, q + 7));
  }
  w.WriteText("\t)\n");
  return length;
}

// ---- terrain meshes -----------------------------------------------------------

// The header shared by the two mesh commands: a grid of a x b cells, whose
// (a + 1) x (b + 1) heights follow from +24.
struct Mesh {
  int a;
  int b;
  int64_t heights;
};
Mesh ReadMesh(const Section& s, uint64_t p) {
  Mesh m{I16(s, p + 2), I16(s, p + 4), 0};
  m.heights = (static_cast<int64_t>(m.a) + 1) * (static_cast<int64_t>(m.b) + 1);
  return m;
}
void WriteMeshHeights(Section& s, uint64_t p, const Mesh& m, std::string& line) {
  for (int64_t i = 0; i < m.heights && !Failed(s); ++i) {
    Appendf(line, "%d ", I16(s, p + 24 + 2 * static_cast<uint64_t>(i)));
    BreakAfter8th(line, i);
  }
}

// 0x9A MeshWith1Tex.
int64_t MeshWith1Tex(Section& s, uint64_t p) {
  const Mesh m = ReadMesh(s, p);
  const int64_t length = 24 + 2 * m.heights;
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  w.Row<"\tMeshWith1Tex( %d %d %d %d %d %d\n">(m.a, m.b, I16(s, p + 6), I16(s, p + 8), I16(s, p + 10),
           I16(s, p + 12));
  w.Row<"\t\t%d %d %d %d %d\n">(U8(s, p + 18), U8(s, p + 19), U8(s, p + 20), U8(s, p + 21) >> 4,
           U8(s, p + 23) >> 2);
  w.line.assign("\t\t");
  WriteMeshHeights(s, p, m, w.line);
  w.line += "\n\t\t)\n";
  w.FlushLine();
  return length;
}

// 0xA3 MeshWithTexList: the heights, then one texture byte per cell and
// texture layer, padded to an even length.
int64_t MeshWithTexList(Section& s, uint64_t p) {
  const Mesh m = ReadMesh(s, p);
  const unsigned b21 = U8(s, p + 21);
  const unsigned b23 = U8(s, p + 23);
  const int64_t t = static_cast<int64_t>(b21 / 16) * m.a * m.b * static_cast<int64_t>(b23 / 4);
  const int64_t length = 24 + 2 * m.heights + t + (t & 1);
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  w.Row<"\tMeshWithTexList( %d %d %d %d %d %d\n">(m.a, m.b, I16(s, p + 6), I16(s, p + 8), I16(s, p + 10),
           I16(s, p + 12));
  w.Row<"\t\t%d %d %d %d %d\n">(U8(s, p + 18), U8(s, p + 19), U8(s, p + 20), b21 / 16, b23 / 4);
  std::string& line = w.line;
  line.clear();
  WriteMeshHeights(s, p, m, line);
  line += "\n\t\t";
  const uint64_t tex = p + 24 + 2 * static_cast<uint64_t>(m.heights > 0 ? m.heights : 0);
  for (int64_t i = 0; i < t && !Failed(s); ++i) {
    Appendf(line, "%d ", U8(s, tex + static_cast<uint64_t>(i)));
    BreakAfter8th(line, i);
  }
  line += "\n\t\t)\n";
  w.FlushLine();
  return length;
}

// ---- reserved and raw-word commands ---------------------------------------------

constexpr char kVResList[] = "\tDwx( 009B %.4X %.4X %.4X ) ; VResList - reserved!\n";
constexpr char kVLibraryCall[] = "\tDwx( 009C %.4X %.4X ) ; VLIBRARY_CALL - reserved!\n";

int64_t VScaleV(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else {
    Out(s).Row<"\tDwx( 009D adrpat[ :L%.6X ] %.4X %.4X 0 %.4X %.4X ; VSCALEV - reserved!\n">(s.LabelOf(t),
                  SignExtended(s, p + 4), SignExtended(s, p + 6), SignExtended(s, p + 10), SignExtended(s, p + 12));
  }
  return 14;
}

// 0x9E Interpolate.
int64_t Interpolate(Section& s, uint64_t p) {
  if (s.collecting()) {
    AddReference(s, p);
    return 20;
  }
  SourceWriter& w = Out(s);
  w.WriteText("\tInterpolate( ");
  WriteReference(s, p);
  w.Row<" %.4X %.4X %.4X %.4X %.4X )\n">(SignExtended(s, p + 6), U32(s, p + 8), SignExtended(s, p + 12),
           U32(s, p + 14), SignExtended(s, p + 18));
  return 20;
}

// 0x9F VarBaseOverride.
int64_t VarBaseOverride(Section& s, uint64_t p) {
  if (s.printing()) Out(s).Row<"\tVarBaseOverride( %.6X )\n">(U32(s, p + 2));
  return 6;
}

// ---- generic buildings (0xA0) ---------------------------------------------------

// The bytes from +6 to the end of the command as "%#x " items; a line break
// follows every offset that is a multiple of 8.
void WriteBuildingBytes(Section& s, uint64_t p, int64_t length) {
  std::string& line = Out(s).line;
  line.assign("\t\t");
  int64_t i = 6;
  for (; i < length && !Failed(s); ++i) {
    Appendf(line, "%#x ", U8(s, p + static_cast<uint64_t>(i)));
    if (i % 8 == 0) line += "\n\t\t";
  }
  if (i < 6) i = 6;
  if (i % 8 != 0) line += "\n\t\t";
  line += " )\n";
  Out(s).FlushLine();
}

// Ridge-roof (type 6) and slant-roof (type 8) buildings: raw bytes, each
// group followed by a comment that reads them as words.
void WriteRoofBuilding(Section& s, uint64_t p, int type) {
  SourceWriter& w = Out(s);
  auto b = [&](unsigned at) { return U8(s, p + at); };
  auto wd = [&](unsigned at) { return I16(s, p + at); };
  const bool ridge = type == 6;
  w.WriteText(ridge ? "\tGObj( UNKNOWN ;  rect building with ridge roof\n"
                    : "\tGObj( UNKNOWN ;  rect building with slant roof\n");
  w.Printf(ridge ? "\t\t 0x06 0x00 %#x %#x %#x %#x ; sizex %d sizey %d\n"
                 : "\t\t 0x08 0x00 %#x %#x %#x %#x ; sizex %d sizey %d\n",
           b(6), b(7), b(8), b(9), wd(6), wd(8));
  w.Row<"\t\t%#x %#x %#x %#x %#x %#x %#x %#x ; LEVEL1\n">(b(10), b(11), b(12), b(13), b(14), b(15), b(16), b(17));
  w.Row<"\t\t\t\t; tex # %3d, height %3d, tex index %4d, %4d\n">(wd(10), wd(12), wd(14), wd(16));
  w.Row<"\t\t%#x %#x %#x %#x %#x %#x %#x %#x %#x %#x ; LEVEL2\n">(b(18), b(19), b(20), b(21), b(22), b(23),
           b(24), b(25), b(26), b(27));
  w.Row<"\t\t\t\t; tex # %3d, height %3d, tex index %4d, %4d, %4d\n">(wd(18), wd(20), wd(22), wd(24), wd(26));
  w.Row<"\t\t%#x %#x %#x %#x %#x %#x %#x %#x ; LEVEL3\n">(b(28), b(29), b(30), b(31), b(32), b(33), b(34), b(35));
  w.Row<"\t\t\t\t; tex # %3d, height %3d, tex index %4d, %4d\n">(wd(28), wd(30), wd(32), wd(34));
  if (ridge) {
    w.Row<"\t\t%#x %#x %#x %#x %#x %#x %#x %#x %#x %#x %#x %#x %#x %#x ; ROOF\n">(b(36), b(37), b(38), b(39),
             b(40), b(41), b(42), b(43), b(44), b(45), b(46), b(47), b(48), b(49));
    // The roof's third texture index is the word after its height, the one
    // the gable comment below lists first.
    w.Row<"\t\t\t\t; tex # %3d, height %3d, tex index roof %4d, %4d, %4d\n">(wd(36), wd(42), wd(38), wd(40),
             wd(44));
    w.Row<"\t\t\t\t; tex # gable %3d, tex index gable %4d, %4d\n">(wd(46), wd(44), wd(48));
  } else {
    w.Row<"\t\t%#x %#x %#x %#x %#x %#x %#x %#x %#x %#x ; ROOF\n">(b(36), b(37), b(38), b(39), b(40), b(41),
             b(42), b(43), b(44), b(45));
    w.Row<"\t\t%#x %#x %#x %#x %#x %#x %#x %#x %#x %#x ; ROOF\n">(b(46), b(47), b(48), b(49), b(50), b(51),
             b(52), b(53), b(54), b(55));
    w.Row<"\t\t\t\t; tex # roof %3d, height %3d, tex index %4d, %4d\n">(wd(36), wd(42), wd(38), wd(40));
    w.Row<"\t\t\t\t; tex # gable %3d, tex index %4d, %4d\n">(wd(46), wd(44), wd(48));
    w.Row<"\t\t\t\t; tex # face %3d, tex index %4d, %4d\n">(wd(50), wd(52), wd(54));
  }
  w.WriteText("\t\t)\n");
}

constexpr const char* kBeacons[] = {
    "\tGObj( UNKNOWN 0xf5 0x01 ; BEACON CIVILIAN AIRPORT\n",
    "\tGObj( UNKNOWN 0xf6 0x01 ; BEACON CIVILIAN HELIPORT\n",
    "\tGObj( UNKNOWN 0xf7 0x01 ; BEACON CIVILIAN WATER AIRPORT\n",
    "\tGObj( UNKNOWN 0xf8 0x01 ; BEACON MILITARY AIRPORT\n",
    "\tGObj( UNKNOWN 0xf9 0x01 ; BEACON MILITARY HELIPORT\n",
    "\tGObj( UNKNOWN 0xfa 0x01 ; BEACON MILITARY WATER AIRPORT\n",
};

int64_t GenericBuilding(Section& s, uint64_t p) {
  const int64_t length = I16(s, p + 2);
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  auto wd = [&](unsigned at) { return I16(s, p + at); };
  const int type = I16(s, p + 4);
  switch (type) {
    case 4:
    case 7:
      w.Printf(type == 4 ? "\tAdvBldg( normal %d %d\n" : "\tAdvBldg( peaked %d %d\n", wd(6), wd(8));
      w.Row<"\t\tLEVEL1 %d %d %d %d \n">(wd(10), wd(12), wd(14), wd(16));
      w.Row<"\t\tLEVEL2 %d %d %d %d %d \n">(wd(18), wd(20), wd(22), wd(24), wd(26));
      w.Row<"\t\tLEVEL3 %d %d %d %d \n">(wd(28), wd(30), wd(32), wd(34));
      if (type == 4) {
        w.Row<"\t\tROOF %d %d %d )\n">(wd(36), wd(38), wd(40));
      } else {
        w.Row<"\t\tROOF %d %d %d %d %d )\n">(wd(36), wd(38), wd(40), wd(42), wd(44));
      }
      break;
    case 9:
      w.Row<"\tAdvBldg( sloped %d %d %d %d\n">(wd(6), wd(8), wd(10), wd(12));
      w.Row<"\t\tLEVEL1 %d %d %d %d \n">(wd(14), wd(16), wd(18), wd(20));
      w.Row<"\t\tLEVEL2 %d %d %d %d %d \n">(wd(22), wd(24), wd(26), wd(28), wd(30));
      w.Row<"\t\tLEVEL3 %d %d %d %d \n">(wd(32), wd(34), wd(36), wd(38));
      w.Row<"\t\tROOF %d %d %d )\n">(wd(40), wd(42), wd(44));
      break;
    case 10:
    case 11:
      w.Row<"\tAdvBldg( poly %d %d %d\n">(wd(6), wd(8), wd(10));
      w.Row<"\t\tLEVEL1 %d %d %d\n">(wd(12), wd(14), wd(16));
      w.Row<"\t\tLEVEL2 %d %d %d %d \n">(wd(18), wd(20), wd(22), wd(24));
      w.Row<"\t\tLEVEL3 %d %d %d \n">(wd(26), wd(28), wd(30));
      w.Row<"\t\tROOF %d %d %d %d )\n">(wd(32), wd(34), wd(36), wd(38));
      break;
    case 6:
    case 8:
      WriteRoofBuilding(s, p, type);
      break;
    case 521: {
      auto b = [&](unsigned at) { return U8(s, p + at); };
      w.Row<"\tGObj( WINDSOCK %.3f %.3f %.3f\n">(F32(s, p + 6), F32(s, p + 10), F32(s, p + 14));
      w.Row<"\t\t%.3f %.3f %.2X %d %d %d %.2X %d %d %d %d )\n">(F32(s, p + 18), F32(s, p + 22), b(28), b(29),
               b(27), b(26), b(32), b(33), b(31), b(30), static_cast<int>(U16(s, p + 34)));
      break;
    }
    default:
      if (type >= 501 && type <= 506) {
        w.WriteText(kBeacons[type - 501]);
      } else {
        // The type word's two bytes, low first, as the GObj statement lists
        // them (taken unsigned, so a negative type prints its bytes too).
        const unsigned word = U16(s, p + 4);
        w.Row<"\tGObj( UNKNOWN %#x %#x ; unrecognized type\n">(word & 0xFF, word >> 8);
      }
      WriteBuildingBytes(s, p, length);
      break;
  }
  return length;
}

// ---- bitmap classes and miscellany -----------------------------------------------

// 0xA1 RegisterBitmapClass.
int64_t RegisterBitmapClass(Section& s, uint64_t p) {
  const uint64_t t = s.Target32(p, 6);
  if (s.collecting()) {
    s.AddTarget(t);
  } else {
    Out(s).Row<"\tRegisterBitmapClass( %d %d :L%.6X )\n">(I16(s, p + 2), I16(s, p + 4), s.LabelOf(t));
  }
  return 10;
}

// 0xA2, which has no statement: a word and an address. The word is written
// whole; it is raw data and every bit of it must survive the round trip.
int64_t InstructionA2(Section& s, uint64_t p) {
  const uint64_t t = s.Target32(p, 4);
  if (s.collecting()) {
    s.AddTarget(t);
  } else {
    Out(s).Row<"\tDwx( 00A2 %.4X ) ; I_A2 not in SCASM?\n\tDlx( adrpat[ :L%.6X ] )\n">(U16(s, p + 2),
                  s.LabelOf(t));
  }
  return 8;
}

constexpr char kVAlpha[] = "\tDwx( 00A4 %.4X ) ; VALPHA\n";
constexpr char kTargetIndicator[] = "\tDwx( 00A6 %.4X %.4X %.4X ) ; TARGET INDICATOR\n";

// 0xA7 RotateToAircraft.
int64_t RotateToAircraft(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else {
    Out(s).Row<"\tRotateToAircraft( :L%.6X %d %d %d\n\t\t%d %d %d %.4X %.4X %.4X )\n">(s.LabelOf(t),
                  I16(s, p + 4), I16(s, p + 6), I16(s, p + 8), I16(s, p + 10), I16(s, p + 12), I16(s, p + 14),
                  SignExtended(s, p + 16), SignExtended(s, p + 18), SignExtended(s, p + 20));
  }
  return 22;
}

// 0xA8 RRStart.
constexpr char kRRStart[] = "\tRRStart( %d %d %d %d %d )\n";

// 0xA9.
int64_t InstructionA9(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
    return 22;
  }
  SourceWriter& w = Out(s);
  if (s.AtStretchEnd(t)) {
    w.WriteText("\tI_A9( : ");
  } else {
    w.Row<"\tI_A9( :L%.6X ">(s.LabelOf(t));
  }
  w.Row<"%d %d %d %d %d %d %3.0f %3.0f %3.0f )\n">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8), I16(s, p + 10),
           I16(s, p + 12), I16(s, p + 14), GeoText::SignedAngle16(s.image().I16(p + 16)),
           GeoText::SignedAngle16(s.image().I16(p + 18)), GeoText::SignedAngle16(s.image().I16(p + 20)));
  return 22;
}

// ---- runways (0xAA) ------------------------------------------------------------

// Runway end lights (sub-records 6 and 7, 14 bytes). The near end's VASI
// distance and side are stored with the opposite sign.
void WriteRunwayLights(Section& s, uint64_t q, bool nearEnd) {
  SourceWriter& w = Out(s);
  const unsigned thr = U8(s, q + 2);
  const unsigned apr = U8(s, q + 3);
  const unsigned strobes = U8(s, q + 4);
  const unsigned bars = U8(s, q + 5);
  if (thr != 0) w.Printf(nearEnd ? "\t\tThrLightsN %.2X\n" : "\t\tThrLightsF %.2X\n", thr);
  if (apr != 0) w.Printf(nearEnd ? "\t\tAprLN      %d\n" : "\t\tAprLF      %d\n", apr);
  if (strobes != 0) w.Printf(nearEnd ? "\t\tStrobesN   %d\n" : "\t\tStrobesF   %d\n", strobes);
  if (bars == 0) return;
  const int sign = nearEnd ? -1 : 1;
  w.Printf(nearEnd ? "\t\tVasiBarsN  %X\n" : "\t\tVasiBarsF  %X\n", bars);
  w.Printf(nearEnd ? "\t\tVasiSpaceN %d\n" : "\t\tVasiSpaceF %d\n", I16(s, q + 12));
  w.Printf(nearEnd ? "\t\tVasiDistN  %d\n" : "\t\tVasiDistF  %d\n", sign * I16(s, q + 10));
  w.Printf(nearEnd ? "\t\tVasiSideN  %d\n" : "\t\tVasiSideF  %d\n", sign * I16(s, q + 8));
  w.Printf(nearEnd ? "\t\tVasiSlopeN %3.1f\n" : "\t\tVasiSlopeF %3.1f\n",
           GeoText::Angle16(s.image().U16(q + 6)));
}

// Size of a runway sub-record by its kind byte, 0 for an unknown kind.
int RunwaySubRecordSize(unsigned kind) {
  switch (kind) {
    case 2: case 3: case 4: case 5: case 10: case 11: return 4;
    case 8: case 9: return 6;
    case 6: case 7: return 14;
    default: return 0;
  }
}

int64_t Runway(Section& s, uint64_t p) {
  const int64_t length = I16(s, p + 2);
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  GeoText& geo = s.geo();
  w.Row<"\tRunway( %s%s\n">(geo.LatText(GeoText::Lat48(Raw48(s, p + 5))),
           geo.LonText(GeoText::Lon48(Raw48(s, p + 11))));
  w.Row<"\t\tAlt   %5.1f\n">(GeoText::Fixed48(Raw48(s, p + 17)));
  w.Row<"\t\tHeading %5.1f\n">(GeoText::Angle16(s.image().U16(p + 23)));
  w.Row<"\t\tLength   %5d ; in feet\n">(I16(s, p + 25));
  w.Row<"\t\tWidth    %5d ; in feet\n">(I16(s, p + 27));
  w.Row<"\t\tMarkers  %.2X\n">(U8(s, p + 29));
  const uint8_t id = s.image().U8(p + 33);
  w.Row<"\t\tId       %d%c\n">(RunwayNumber(id), RunwayLetter(id));
  w.Row<"\t\tLights   %X\n">(U8(s, p + 32));
  w.Row<"\t\tSurface  %X\n">(U8(s, p + 31));
  w.Row<"\t\tThreshold %X\n">(U8(s, p + 30));

  // Optional sub-records, each starting with its kind byte. The statement
  // cannot carry a record it does not know (nor one cut off by the command
  // end), so the listing stops there and says so after the statement.
  int64_t at = 34;
  int problem = 0;  // 1: unknown kind, 2: cut off by the command end
  unsigned problemKind = 0;
  while (at < length && !Failed(s)) {
    const uint64_t q = p + static_cast<uint64_t>(at);
    const unsigned kind = U8(s, q);
    const int size = RunwaySubRecordSize(kind);
    if (size == 0 || at + size > length) {
      problem = size == 0 ? 1 : 2;
      problemKind = kind;
      break;
    }
    switch (kind) {
      case 2: w.Row<"\t\tThrOffN    %d\n">(I16(s, q + 2)); break;
      case 3: w.Row<"\t\tThrOffF    %d\n">(I16(s, q + 2)); break;
      case 4: w.Row<"\t\tExtN       %d\n">(I16(s, q + 2)); break;
      case 5: w.Row<"\t\tExtF       %d\n">(I16(s, q + 2)); break;
      case 6: WriteRunwayLights(s, q, true); break;
      case 7: WriteRunwayLights(s, q, false); break;
      case 8: w.Row<"\t\tOverRunN %d %d %d\n">(U8(s, q + 1), I16(s, q + 2), I16(s, q + 4)); break;
      case 9: w.Row<"\t\tOverRunF %d %d %d\n">(U8(s, q + 1), I16(s, q + 2), I16(s, q + 4)); break;
      case 10: w.Row<"\t\tDistanceN %d %d\n">(U8(s, q + 1), I16(s, q + 2)); break;
      case 11: w.Row<"\t\tDistanceF %d %d\n">(U8(s, q + 1), I16(s, q + 2)); break;
      default: break;
    }
    at += size;
  }
  w.WriteText("\t)\n");
  const uint32_t where = s.LabelOf(p + static_cast<uint64_t>(at));
  if (problem == 1) {
    w.Row<"; Error: unknown Runway sub-record %u at offset %.4X, rest of the command not listed\n">(problemKind,
             where);
  } else if (problem == 2) {
    w.Row<"; Error: Runway sub-record %u at offset %.4X runs past the command end, not listed\n">(problemKind,
             where);
  }
  return length;
}

// 0xAB: 38 bytes that the source does not show.
int64_t InstructionAB(Section&, uint64_t) { return 38; }

// ---- transforms and animation ------------------------------------------------------

// 0xAD Animate (the statement's parameters end the line; the animated code
// follows up to TransformEnd).
int64_t Animate(Section& s, uint64_t p) {
  if (s.collecting()) {
    AddReference(s, p);
    return 30;
  }
  SourceWriter& w = Out(s);
  w.WriteText("\tAnimate( ");
  WriteReference(s, p);
  w.Row<" %.4X %.4X %.4X %.3f %.3f %.3f\n">(U32(s, p + 6), U32(s, p + 10), U32(s, p + 14), F32(s, p + 18),
           F32(s, p + 22), F32(s, p + 26));
  return 30;
}

// 0xAF Transform_Mat: a 4 x 3 matrix.
int64_t TransformMat(Section& s, uint64_t p) {
  if (!s.printing()) return 50;
  SourceWriter& w = Out(s);
  w.WriteText("\tTransform_Mat(\n");
  for (uint64_t row = 0; row < 4; ++row) {
    const uint64_t q = p + 2 + 12 * row;
    w.Row<"\t\t%.3f %.3f %.3f\n">(F32(s, q), F32(s, q + 4), F32(s, q + 8));
  }
  w.WriteText("\t)\n");
  return 50;
}

// 0xB1 BGL_TAG: a tag text padded to 16 bytes at +2, then a float at +18.
int64_t BglTag(Section& s, uint64_t p) {
  if (!s.printing()) return 22;
  SourceWriter& w = Out(s);
  const std::string_view tag = s.CText(p + 2, 16);
  w.Printf("\tDwx( 00B1 ) ; BGL_TAG\n\tDba( %.*s )\n", static_cast<int>(tag.size()), tag.data());
  std::string& line = w.line;
  line.assign("\tDbx( ");
  for (size_t i = tag.size(); i < 16; ++i) line += "0 ";
  Appendf(line, "%.02f )\n", F32(s, p + 18));
  w.FlushLine();
  return 22;
}

// 0xB2 Light.
int64_t Light(Section& s, uint64_t p) {
  if (!s.printing()) return 44;
  std::string& line = Out(s).line;
  line.clear();
  Appendf(line, "\tLight( m %d %.2f %.2f %.2f\n", static_cast<int>(U16(s, p + 2)), F32(s, p + 4), F32(s, p + 8),
          F32(s, p + 12));
  Appendf(line, "\t\t%d %.2f %.2f %.2X %d %d %d\n", I32(s, p + 16), F32(s, p + 20), F32(s, p + 24), U8(s, p + 29),
          U8(s, p + 28), U8(s, p + 30), U8(s, p + 31));
  Appendf(line, "\t\t%.2f %.2f %.2f )\n", F32(s, p + 32), F32(s, p + 36), F32(s, p + 40));
  Out(s).FlushLine();
  return 44;
}

// 0xB3 IfInF. The displacement is 32-bit, so the test for a branch to the
// end of the program uses all of it.
int64_t IfInF(Section& s, uint64_t p) {
  const uint64_t t = s.Target32(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
    return 16;
  }
  SourceWriter& w = Out(s);
  if (s.AtStretchEnd(t)) {
    w.WriteText("\tIfInF( :");
  } else {
    w.Row<"\tIfInF( :L%.6X ">(s.LabelOf(t));
  }
  w.Row<" %.4X %.3f %.3f )\n">(U16(s, p + 6), F32(s, p + 8), F32(s, p + 12));
  return 16;
}

// 0xB4 TextureSize.
int64_t TextureSize(Section& s, uint64_t p) {
  if (s.printing()) Out(s).Row<"\tTextureSize( %.3f )\n">(F32(s, p + 2));
  return 6;
}

// ---- vertex, material and texture lists -----------------------------------------------

// 0xB5 VertexList: position, normal and texture coordinates per vertex.
int64_t VertexList(Section& s, uint64_t p) {
  const int n = I16(s, p + 2);
  const int64_t length = 8 + 32 * static_cast<int64_t>(n);
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  w.WriteText("\tVertexList( 0\n");
  for (int i = 0; i < n && !Failed(s); ++i) {
    const uint64_t q = p + 8 + 32 * static_cast<uint64_t>(i);
    w.Row<"\t\t%.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f ; vertex %d\n">(F32(s, q), F32(s, q + 4), F32(s, q + 8),
             F32(s, q + 12), F32(s, q + 16), F32(s, q + 20), F32(s, q + 24), F32(s, q + 28), i);
  }
  w.WriteText("\t\t)\n");
  return length;
}

// 0xB6 MaterialList: four colours of four floats and a specular power.
int64_t MaterialList(Section& s, uint64_t p) {
  const int n = I16(s, p + 2);
  const int64_t length = 8 + 68 * static_cast<int64_t>(n);
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  static constexpr const char* kColors[] = {"diffuse", "ambient", "specular", "emissive"};
  w.WriteText("\tMaterialList( 0\n");
  for (int i = 0; i < n && !Failed(s); ++i) {
    const uint64_t q = p + 8 + 68 * static_cast<uint64_t>(i);
    w.Row<"\t\t\t; material %d\n">(i);
    for (uint64_t c = 0; c < 4; ++c) {
      const uint64_t r = q + 16 * c;
      w.Row<"\t\t%.3f %.3f %.3f %.3f ; %s color\n">(F32(s, r), F32(s, r + 4), F32(s, r + 8), F32(s, r + 12),
               kColors[c]);
    }
    w.Row<"\t\t%.3f ; specular power\n">(F32(s, q + 64));
  }
  w.WriteText("\t)\n");
  return length;
}

// 0xB7 TextureList: 80-byte entries of flags, four bytes, a float and a file
// name. (Not part of the bitmap list: only the print pass writes.)
int64_t TextureList(Section& s, uint64_t p) {
  const int n = I16(s, p + 2);
  const int64_t length = 8 + 80 * static_cast<int64_t>(n);
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  w.WriteText("\tTextureList( 0\n");
  for (int i = 0; i < n && !Failed(s); ++i) {
    const uint64_t q = p + 8 + 80 * static_cast<uint64_t>(i);
    const uint32_t flags = s.image().U32(q);
    const std::string_view name = s.CText(q + 16, 64);
    w.Printf("\t\t%s%d %.2X %d %d %d 0 %.5f\n\t\t%.*s ; texture %d\n", BitmapFlagLetters(flags).c_str(),
             static_cast<int>(flags & 7), U8(s, q + 5), U8(s, q + 4), U8(s, q + 6), U8(s, q + 7), F32(s, q + 12),
             static_cast<int>(name.size()), name.data(), i);
  }
  w.WriteText("\t)\n");
  return length;
}

// 0xB8 SetMaterial.
constexpr char kSetMaterial[] = "\tSetMaterial( %d %d )\n";

// ---- draw lists (0xB9 to 0xBB) ------------------------------------------------------
// +2 a material or vertex base, +6 the index count v, +8 v indices; the
// indices are grouped in triangles, lines or points.

template <int Group>
int64_t DrawList(Section& s, uint64_t p) {
  const int v = I16(s, p + 6);
  const int64_t length = 8 + 2 * static_cast<int64_t>(v);
  if (!s.printing()) return length;
  SourceWriter& w = Out(s);
  w.Row<"\t%s( %d\n">(Group == 3 ? "DrawTriList" : Group == 2 ? "DrawLineList" : "DrawPointList", I16(s, p + 2));
  const int groups = v / Group;
  for (int i = 0; i < groups && !Failed(s); ++i) {
    const uint64_t q = p + 8 + 2 * static_cast<uint64_t>(Group) * static_cast<uint64_t>(i);
    if constexpr (Group == 3) {
      w.Row<"\t\t%4d %4d %4d ; %3d\n">(I16(s, q), I16(s, q + 2), I16(s, q + 4), i);
    } else if constexpr (Group == 2) {
      w.Row<"\t\t%4d %4d ; %3d\n">(I16(s, q), I16(s, q + 2), i);
    } else {
      w.Row<"\t\t%4d ; %3d\n">(I16(s, q), i);
    }
  }
  w.WriteText("\t)\n");
  return length;
}

// 0xBC BGLVersion.
int64_t BglVersion(Section& s, uint64_t p) {
  if (s.printing()) Out(s).Row<"\tBGLVersion( %.4X )\n">(U32(s, p + 2));
  return 6;
}

}  // namespace

void Register80ToBD(OpHandler* table) {
  table[0x80] = I16Line<kDotPt, 4, 1>;
  table[0x81] = I16Line<kSmoothing, 4, 1>;
  table[0x82] = ShadowPos;
  table[0x83] = ReScale;
  table[0x84] = U16Line<kSurfaceNormal, 8, 3>;
  table[0x85] = Fixed2<kAsdName>;
  table[0x86] = Fixed2<kPageFault>;
  table[0x87] = CustomColors;
  table[0x88] = Jump32;
  table[0x89] = VarBase;
  table[0x8A] = Call32;
  table[0x8B] = LayerCall32;
  table[0x8C] = AsmCall32;
  table[0x8D] = SignExtendedLine<kFileMarker32, 6, 2>;
  table[0x8E] = I16Line<kVFileMarker, 4, 1>;
  table[0x8F] = U16Line<kAlphaColor, 6, 1>;
  table[0x90] = PolyM;
  table[0x91] = U16Line<kBglText, 12, 5>;
  table[0x92] = I16Line<kMipMap, 4, 1>;
  table[0x93] = I16Line<kSpecular, 4, 1>;
  table[0x94] = Crash;
  table[0x95] = CrashIndirect;
  table[0x96] = LabelAndI16<kCrashStart>;
  table[0x97] = LabelAndI16<kCrashSphere>;
  table[0x98] = CrashBox;
  table[0x99] = I16Line<kSetCrashCode, 4, 1>;
  table[0x9A] = MeshWith1Tex;
  table[0x9B] = SignExtendedLine<kVResList, 8, 3>;
  table[0x9C] = SignExtendedLine<kVLibraryCall, 6, 2>;
  table[0x9D] = VScaleV;
  table[0x9E] = Interpolate;
  table[0x9F] = VarBaseOverride;
  table[0xA0] = GenericBuilding;
  table[0xA1] = RegisterBitmapClass;
  table[0xA2] = InstructionA2;
  table[0xA3] = MeshWithTexList;
  table[0xA4] = U16Line<kVAlpha, 4, 1>;
  table[0xA5] = I16Line<kLoadBitmapClass, 4, 1>;
  table[0xA6] = U16Line<kTargetIndicator, 8, 3>;
  table[0xA7] = RotateToAircraft;
  table[0xA8] = I16Line<kRRStart, 12, 5>;
  table[0xA9] = InstructionA9;
  table[0xAA] = Runway;
  table[0xAB] = InstructionAB;
  table[0xAC] = I16Line<kZBias, 4, 1>;
  table[0xAD] = Animate;
  table[0xAE] = Fixed2<kTransformEnd>;
  table[0xAF] = TransformMat;
  table[0xB0] = CrashOctTree;
  table[0xB1] = BglTag;
  table[0xB2] = Light;
  table[0xB3] = IfInF;
  table[0xB4] = TextureSize;
  table[0xB5] = VertexList;
  table[0xB6] = MaterialList;
  table[0xB7] = TextureList;
  table[0xB8] = I16Line<kSetMaterial, 6, 2>;
  table[0xB9] = DrawList<3>;
  table[0xBA] = DrawList<2>;
  table[0xBB] = DrawList<1>;
  table[0xBC] = BglVersion;
  table[0xBD] = Fixed2<kEndVersion>;
}

}  // namespace skarn::ops
