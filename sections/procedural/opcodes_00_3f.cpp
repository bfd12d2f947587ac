// Scenery commands 0x00..0x3F: drawing primitives, points and polygons,
// jumps, calls and variable tests, reference points, bitmaps and the few raw
// records that have no SCASM statement (written as Dwx data or comments).
//
// Every handler decodes the command at p (the file offset of its first byte)
// and returns its length. The collect pass records jump targets; the print
// pass writes the source text. The text is reassembled, so every blank, tab
// and digit of the formats below is part of the file format.
//
// Operands are read through the bounds-checked image reader: a read outside
// the image yields 0 and flags the command, which the walker then reports, so
// the handlers simply read what they need.

#include <cstdint>
#include <string>

#include "core/GeoText.h"
#include "core/SourceWriter.h"
#include "sections/procedural/Opcodes.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn::ops {
namespace {

using Section = ProceduralSection;

// Writes ":L" and the target's label (six or more hex digits).
void PutLabel(const Section& s, uint64_t target) { Out(s).Row<":L%.6X">(s.LabelOf(target)); }

// A statement that can name the end of the object: the head text ends in ":";
// a target at the stretch end stays a lone ":", any other target gets "L" and
// its label appended.
void PutColonHead(const Section& s, const char* head, uint64_t target) {
  Out(s).WriteText(head);
  if (!s.AtStretchEnd(target)) Out(s).Row<"L%.6X">(s.LabelOf(target));
}

// Lists of polygon vertex numbers are continued on a new line after every
// eighth entry.
void BreakAfterEighth(const Section& s, int64_t index) {
  if (index % 8 == 7) Out(s).WriteText("\n\t\t");
}

// ---- commands without operands ---------------------------------------------

constexpr char kEof[] = "\tDwx( 0000 ) ; EOF\n";
constexpr char kNop01[] = "\tNop; obsolete instruction (0x01) replaced by Nop\n";
constexpr char kNop[] = "\tNop\n";
constexpr char kDebug[] = "\tNop ; DEBUG (should not occur), replaced by NOOP\n";
constexpr char kStartSurface[] = "\tStartSurface ; use only for polygons flat on the ground\n";
constexpr char kEndSurface[] = "\tEndSurface\n";
constexpr char kOp09[] = "\tDwx( 0009 ) ; obsolete DO NOT USE\n";
constexpr char kOp0C[] = "\tDwx( 000C ) ; obsolete DO NOT USE\n";
constexpr char kOp16[] = "\tDwx( 0002 ) ; 0x16 reserved, with variable length, replaced by NOOP\n";
constexpr char kConcave[] = "\tConcave\n";

// ---- 0x03 Case ------------------------------------------------------------
// n case displacements follow the default one, all relative to the command.
// SCASM has no Case statement: the command is written as data words, with the
// case targets as address patterns of their labels, and a comment showing it
// as a statement.
int64_t OpCase(Section& s, uint64_t p) {
  const int n = I16(s, p + 2);
  const uint64_t def = s.Target16(p, 6);
  if (s.collecting()) {
    s.AddTarget(def);
    for (int i = 0; i < n; ++i) s.AddTarget(s.Target16(p, 8 + 2 * static_cast<unsigned>(i)));
  } else if (s.printing()) {
    SourceWriter& w = Out(s);
    const unsigned variable = U16(s, p + 4);
    w.WriteText("; \tCASE instruction not supported by SCASM\n");
    // The count and the default displacement print sign-extended, as they
    // always have: a negative one shows eight digits.
    w.Row<"\tDwx( 0003 %.4X ) ; code, number of cases\n">(static_cast<unsigned>(n));
    w.Row<"\t\tDwx( %.4X ) ; test variable\n">(variable);
    w.Row<"\t\tDwx( %.4X ) ; :L%.6X = default label\n">(static_cast<unsigned>(I16(s, p + 6)), s.LabelOf(def));
    for (int i = 0; i < n; ++i) {
      const uint32_t label = s.LabelOf(s.Target16(p, 8 + 2 * static_cast<unsigned>(i)));
      w.Row<"\t\tDwx( adrpat[:L%.6X] ) ; :L%.6X = label for value %d\n">(label, label, i);
    }
    w.Row<"; \tCase( %d %.4X :L%.6X ">(n, variable, s.LabelOf(def));
    for (int i = 0; i < n; ++i) w.Row<":L%.6X ">(s.LabelOf(s.Target16(p, 8 + 2 * static_cast<unsigned>(i))));
    w.WriteText(")\n");
  }
  return 8 + 2 * static_cast<int64_t>(n);
}

// ---- drawing ---------------------------------------------------------------

constexpr char kMoveTo[] = "\tMoveTo( %d %d %d )\n";
constexpr char kDrawTo[] = "\tDrawTo( %d %d %d )\n";
constexpr char kOp0A[] = "\tDwx( 000A %.4X %.4X %.4X %.4X ) ; obsolete DO NOT USE\n";
constexpr char kOp0B[] = "\tDwx( 000B %.4X %.4X %.4X %.4X ) ; obsolete DO NOT USE\n";

// 0x0D Jump: the bytes after it are reached only if some jump names them.
int64_t OpJump(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
    s.labels().MarkUnreachable(s.LabelOf(p + 4));
  } else if (s.printing()) {
    PutColonHead(s, "\tJump( :", t);
    Out(s).WriteText(" )\n");
  }
  return 4;
}

constexpr char kDefPoint[] = "\tDefPoint( %d %d %d %d )\n";
constexpr char kMoveToPt[] = "\tMoveToPt( %d ) ; use for line drawing only\n";
constexpr char kDrawToPt[] = "\tDrawToPt( %d ) ; use for line drawing only\n";
constexpr char kOp11[] = "\tDwx( 0011 %.4X %.4X %.4X %.4X %.4X ) ; obsolete DO NOT USE\n";
constexpr char kOp12[] = "\tDwx( 0012 %.4X ) ; obsolete DO NOT USE\n";
constexpr char kOp13[] = "\tDwx( 0013 %.4X ) ; obsolete DO NOT USE\n";
constexpr char kSetColor[] = "\tDwx( 0014 %.4X ) ; 0x14 = SETCOLOR\n";

// ---- 0x15 ElevationMap ------------------------------------------------------
// A grid of (nx + 1) x (ny + 1) points of 4 bytes (two bytes and an i16),
// row by row, after an 18-byte head.
int64_t OpElevationMap(Section& s, uint64_t p) {
  const uint64_t nx = U16(s, p + 2);
  const uint64_t ny = U16(s, p + 4);
  const uint64_t count = (nx + 1) * (ny + 1);
  const int64_t length = 18 + 4 * static_cast<int64_t>(count);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.Row<"\tElevationMap( %d %d %d %d %d %d\n">(static_cast<int>(nx), static_cast<int>(ny), I16(s, p + 6),
             I16(s, p + 8), I16(s, p + 10), I16(s, p + 12));
    // Up to four billion points: a grid that does not fit in the file is
    // flagged as a read outside the image instead of being printed point by
    // point.
    if (s.image().Ptr(p + 18, 4 * count) != nullptr) {
      for (uint64_t i = 0, q = p + 18; i < count; ++i, q += 4)
        w.Row<"\t\t%5d %5d %5d\n">(U8(s, q), U8(s, q + 1), I16(s, q + 2));
    }
    // The closing parenthesis ends its line, so that the next statement or
    // label starts on a line of its own.
    w.WriteText("\t)\n");
  }
  return length;
}

constexpr char kTextureEnable[] = "\tTextureEnable( %d )\n";

// ---- 0x18 Bitmap, 0x19 Palette ----------------------------------------------
// The bitmap list is made of these names: in list-only mode the collect pass
// (the only pass then) writes them.
int64_t OpBitmap(Section& s, uint64_t p) {
  if (s.printing()) {
    const std::string name = s.BitmapName(p + 10);
    Out(s).Row<"\tBitmap( %s %d %d %d %d ) \n">(name.c_str(), I16(s, p + 2), I16(s, p + 4), I16(s, p + 6),
                  I16(s, p + 8));
  } else if (s.listOnly()) {
    const std::string name = s.BitmapName(p + 10);
    Out(s).Row<"\t%s (Bitmap)\n">(name.c_str());
  }
  return 24;
}

int64_t OpPalette(Section& s, uint64_t p) {
  if (s.printing()) {
    const std::string name = s.BitmapName(p + 2);
    Out(s).Row<"\tPalette( %s )\n">(name.c_str());
  }
  return 16;
}

// ---- point lists ------------------------------------------------------------

int64_t OpPoints(Section& s, uint64_t p) {
  const int first = I16(s, p + 2);
  const int n = I16(s, p + 4);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.Row<"\tPoints( %d\n">(first);
    uint64_t q = p + 6;
    for (int i = 0; i < n; ++i, q += 6)
      w.Row<"\t\t%5d %4d %5d ; %3d\n">(I16(s, q), I16(s, q + 2), I16(s, q + 4), first + i);
    w.WriteText("\t)\n");
  }
  return 6 + 6 * static_cast<int64_t>(n);
}

int64_t OpVecPoints(Section& s, uint64_t p) {
  const int first = I16(s, p + 2);
  const int n = I16(s, p + 4);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.Row<"\tVecPoints( m %d\n">(first);
    uint64_t q = p + 6;
    for (int i = 0; i < n; ++i, q += 12)
      w.Row<"\t\t%5d %4d %5d %6d %6d %6d ; %2d\n">(I16(s, q), I16(s, q + 2), I16(s, q + 4), I16(s, q + 6),
               I16(s, q + 8), I16(s, q + 10), first + i);
    w.WriteText("\t)\n");
  }
  return 6 + 12 * static_cast<int64_t>(n);
}

constexpr char kAutoPoints[] = "\tAutoPoints( %d %d\n\t\t%5d %5d %5d\n\t\t%5d %5d %5d\n\t)\n";

// ---- 0x1B MonitorTr ---------------------------------------------------------
int64_t OpMonitorTr(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    SourceWriter& w = Out(s);
    if (s.AtStretchEnd(t))
      w.WriteText("\tMonitorTr( :\n");
    else
      w.Row<"\tMonitorTr( :L%.6X\n ">(s.LabelOf(t));
    w.Row<"\t\t%4d %4d %4d\n">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8));
    w.Row<"\t\t%4d %4d %4d\n">(I16(s, p + 10), I16(s, p + 12), I16(s, p + 14));
    w.Row<"\t\t%3.0f %3.0f %3.0f )\n">(GeoText::SignedAngle16(s.image().I16(p + 16)),
             GeoText::SignedAngle16(s.image().I16(p + 18)), GeoText::SignedAngle16(s.image().I16(p + 20)));
  }
  return 22;
}

// ---- variable tests -----------------------------------------------------------

int64_t OpIfVarRange2(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    PutColonHead(s, "\tIfVarRange2( :", t);
    Out(s).Row<" %.4X %d %d %.4X %d %d) \n">(U16(s, p + 4), I16(s, p + 6), I16(s, p + 8), U16(s, p + 10),
                  I16(s, p + 12), I16(s, p + 14));
  }
  return 16;
}

int64_t OpIfVarRange3(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    PutColonHead(s, "\tIfVarRange3( :", t);
    Out(s).Row<" %.4X %d %d %.4X %d %d %.4X %d %d )\n">(U16(s, p + 4), I16(s, p + 6), I16(s, p + 8),
                  U16(s, p + 10), I16(s, p + 12), I16(s, p + 14), U16(s, p + 16), I16(s, p + 18), I16(s, p + 20));
  }
  return 22;
}

int64_t OpIfVarRange(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    // At the object end the lone ":" is followed by two blanks.
    PutColonHead(s, "\tIfVarRange( :", t);
    if (s.AtStretchEnd(t)) Out(s).WriteText(" ");
    Out(s).Row<" %.4X %d %d )\n">(U16(s, p + 4), I16(s, p + 6), I16(s, p + 8));
  }
  return 10;
}

int64_t OpIfVarAnd(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    PutColonHead(s, "\tIfVarAnd( :", t);
    Out(s).Row<" %.4X %.4X )\n">(U16(s, p + 4), U16(s, p + 6));
  }
  return 8;
}

int64_t OpSetVar(Section& s, uint64_t p) {
  if (s.printing()) Out(s).Row<"\tSetVar( %.4X %d )\n">(U16(s, p + 2), I16(s, p + 4));
  return 6;
}

// ---- polygons -----------------------------------------------------------------

// 0x1D VecPoly: n vertex numbers after a 16-byte head holding the plane.
int64_t OpVecPoly(Section& s, uint64_t p) {
  const int n = I16(s, p + 2);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.Row<"\tVecPoly( m %d %d %d %d %d %d\n\t\t">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8), I16(s, p + 10),
             I16(s, p + 12), I16(s, p + 14));
    for (int i = 0; i < n; ++i) {
      w.Row<"%4d ">(I16(s, p + 16 + 2 * static_cast<unsigned>(i)));
      BreakAfterEighth(s, i);
    }
    w.WriteText(" )\n");
  }
  return 16 + 2 * static_cast<int64_t>(n);
}

// 0x20 TexPoly: n vertices of (x, y, z) after the plane normal and distance.
int64_t OpTexPoly(Section& s, uint64_t p) {
  const unsigned n = U16(s, p + 2);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.Row<"\tTexPoly( m %d %d %d %.0f\n">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8), Dist(s, p + 10));
    uint64_t q = p + 14;
    for (unsigned i = 0; i < n; ++i, q += 6)
      w.Row<"\t\t%5d %4d %5d ; %d\n">(I16(s, q), I16(s, q + 2), I16(s, q + 4), static_cast<int>(i));
    w.WriteText("\t)\n");
  }
  return 14 + 6 * static_cast<int64_t>(n);
}

// The vertex-number lists of 0x27, 0x2A and 0x3E: "%d " per entry, a new
// line after every eighth.
void PutVertexNumbers(const Section& s, uint64_t p, unsigned n) {
  SourceWriter& w = Out(s);
  for (unsigned i = 0; i < n; ++i) {
    w.Row<"%d ">(I16(s, p + 14 + 2 * static_cast<uint64_t>(i)));
    BreakAfterEighth(s, i);
  }
}

int64_t OpTexWindow(Section& s, uint64_t p) {
  const unsigned n = U16(s, p + 2);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.Row<"\tTexWindow( m %d %d %d %7.2f; in FS2k obsolete!\n\t\t">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8),
             Dist(s, p + 10));
    PutVertexNumbers(s, p, n);
    w.WriteText("\n\t) ; in FS2000 obsolete, do not use\n");
  }
  return 14 + 2 * static_cast<int64_t>(n);
}

int64_t OpShadedPoly(Section& s, uint64_t p) {
  const unsigned n = U16(s, p + 2);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.Row<"\tShadedPoly( m %d %d %d %.0f\n\t\t">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8), Dist(s, p + 10));
    PutVertexNumbers(s, p, n);
    w.WriteText("\n\t)\n");
  }
  return 14 + 2 * static_cast<int64_t>(n);
}

int64_t OpPoly(Section& s, uint64_t p) {
  const unsigned n = U16(s, p + 2);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.Row<"\tPoly( m %d %d %d %.0f\n\t\t">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8), Dist(s, p + 10));
    PutVertexNumbers(s, p, n);
    w.WriteText("\n\t)\n");
  }
  return 14 + 2 * static_cast<int64_t>(n);
}

int64_t OpSeparationPlane(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    PutColonHead(s, "\tSeparationPlane( :", t);
    Out(s).Row<" m %d %d %d %6.2f )\n">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8), Dist(s, p + 10));
  }
  return 14;
}

constexpr char kBitmapMode[] = "\tBitmapMode( %d ) ; not to be supported after version 7.0\n";

// ---- 0x1F TaxiMarkings ----------------------------------------------------------
// The command carries its own length; inside it, sub-records start with an
// i16 kind that fixes their size. Unknown kinds are skipped as 2 bytes.
int64_t OpTaxiMarkings(Section& s, uint64_t p) {
  const int length = I16(s, p + 2);
  if (s.printing()) {
    SourceWriter& w = Out(s);
    const ByteReader& img = s.image();
    w.WriteText("\tTaxiMarkings(\n");
    for (int off = 4; off < length;) {
      const uint64_t q = p + static_cast<unsigned>(off);
      const int kind = I16(s, q);
      const char* word = nullptr;
      int size = 2;
      switch (kind) {
        case 0: w.WriteText("\t\tBREAK\n"); break;
        case 8: w.WriteText("\t\tARC\n"); break;
        case 13: w.WriteText("\t\tARCL\n"); break;
        case 129: word = "HILS"; size = 18; break;
        case 130: word = "HRWY"; size = 18; break;
        case 131: word = "HTAXI"; size = 18; break;
        case 132: word = "SS"; size = 10; break;
        case 133: word = "DD"; size = 10; break;
        case 134: word = "SD"; size = 10; break;
        case 135: word = "C"; size = 10; break;
        case 137: word = "SSL"; size = 10; break;
        case 138: word = "DDL"; size = 10; break;
        case 139: word = "DSL"; size = 10; break;
        case 140: word = "CL"; size = 10; break;
        case 196: word = "ISS"; size = 10; break;
        case 197: word = "IDD"; size = 10; break;
        case 198: word = "IDS"; size = 10; break;
        case 199: word = "IC"; size = 10; break;
        default: break;
      }
      if (size == 18)
        w.Row<"\t\t%s %.3f %.3f %.3f %.3f\n">(word, static_cast<double>(img.F32(q + 2)),
                 static_cast<double>(img.F32(q + 6)), static_cast<double>(img.F32(q + 10)),
                 static_cast<double>(img.F32(q + 14)));
      else if (size == 10)
        w.Row<"\t\t%s %.3f %.3f\n">(word, static_cast<double>(img.F32(q + 2)), static_cast<double>(img.F32(q + 6)));
      off += size;
    }
    w.WriteText("\t)\n");
  }
  return length;
}

// ---- calls ------------------------------------------------------------------------

// A call whose only operand is a 16-bit target: "<head>:L<label> )".
template <const char* kHead>
int64_t Call16(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else if (s.printing()) {
    Out(s).WriteText(kHead);
    PutLabel(s, t);
    Out(s).WriteText(" )\n");
  }
  return 4;
}

constexpr char kCall[] = "\tCall( ";
constexpr char kPerspectiveCall[] = "\tPerspectiveCall( ";
constexpr char kShadowCall[] = "\tShadowCall( ";

// 0x22 Return: the bytes after it are reached only if some jump names them.
int64_t OpReturn(Section& s, uint64_t p) {
  if (p + 2 < s.stretchEnd()) s.labels().MarkUnreachable(s.LabelOf(p + 2));
  if (s.printing()) Out(s).WriteText("\tReturn\n");
  return 2;
}

int64_t OpPerspectiveCall32(Section& s, uint64_t p) {
  const uint64_t t = s.Target32(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else if (s.printing()) {
    Out(s).Row<"\tPerspectiveCall32( :L%.6X )\n">(s.LabelOf(t));
  }
  return 6;
}

int64_t OpRotatedCall(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else if (s.printing()) {
    Out(s).Row<"\tRotatedCall( :L%.6X %3.0f %3.0f %3.0f )\n">(s.LabelOf(t), GeoText::Angle16(s.image().U16(p + 4)),
                  GeoText::Angle16(s.image().U16(p + 6)), GeoText::Angle16(s.image().U16(p + 8)));
  }
  return 10;
}

int64_t OpPBHCall(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddTarget(t);
  } else if (s.printing()) {
    Out(s).Row<"\tPBHCall( :L%.6X %.4X )\n">(s.LabelOf(t), U16(s, p + 4));
  }
  return 6;
}

// 0x34 SuperScale: the last operand is stored 32 higher than written when it
// exceeds 32.
int64_t OpSuperScale(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    const int v = I16(s, p + 8);
    PutColonHead(s, "\tSuperScale( :", t);
    Out(s).Row<" %d %d %d )\n">(I16(s, p + 4), I16(s, p + 6), v <= 32 ? v : v - 32);
  }
  return 10;
}

// ---- 0x2C REJECT ------------------------------------------------------------------
// SCASM has no statement for it: a comment shows it as one, and the command is
// written as data with the target as the address pattern of its label.
int64_t OpReject(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    SourceWriter& w = Out(s);
    PutColonHead(s, ";\tREJECT( :", t);
    w.Row<" %d %d %d %d )\n">(I16(s, p + 4), I16(s, p + 6), I16(s, p + 8), I16(s, p + 10));
    if (s.AtStretchEnd(t)) {
      // The object end never gets a label line: its displacement is written
      // as the stored word, which assembles to the same bytes.
      w.Row<"\tDwx( 002C %.4X %.4X %.4X %.4X %.4X )\n">(U16(s, p + 2), U16(s, p + 4), U16(s, p + 6),
               U16(s, p + 8), U16(s, p + 10));
    } else {
      w.Row<"\tDwx( 002C adrpat[:L%.6X] %.4X %.4X %.4X %.4X )\n">(s.LabelOf(t), U16(s, p + 4), U16(s, p + 6),
               U16(s, p + 8), U16(s, p + 10));
    }
  }
  return 12;
}

// ---- colours and lines -----------------------------------------------------------

int64_t OpRGBSColor(Section& s, uint64_t p) {
  if (s.printing())
    Out(s).Row<"\tRGBSColor(  %.2X %d %d %d )\n">(U8(s, p + 3), static_cast<int>(U8(s, p + 2)),
                  static_cast<int>(U8(s, p + 4)), static_cast<int>(U8(s, p + 5)));
  return 6;
}

int64_t OpRGBLColor(Section& s, uint64_t p) {
  if (s.printing())
    Out(s).Row<"\tRGBLColor(  %.2X %d %d %d )\n">(U8(s, p + 3), static_cast<int>(U8(s, p + 2)),
                  static_cast<int>(U8(s, p + 4)), static_cast<int>(U8(s, p + 5)));
  return 6;
}

constexpr char kBall[] = "\tBall( %d %d %d %d ) ; in FS2000 obsolete\n";

// 0x30 Brightness: stored in 1/32768 units, written in percent.
int64_t OpBrightness(Section& s, uint64_t p) {
  if (s.printing())
    Out(s).Row<"\tBrightness( %d ) ; in FS2000 obsolete without effect\n">(static_cast<int>(HalfUp(I16(s, p + 2) * 0.0030517578125)));
  return 4;
}

constexpr char kDotLine[] = "\tDotLine( %d %d %d %d %d %d %d )\n";

// 0x36 masked DotLine: one 16-bit mask word per 16 dots (v / 16 + 1 words,
// v the i16 at +14).
int64_t OpMaskedDotLine(Section& s, uint64_t p) {
  const int k = I16(s, p + 14) / 16 + 1;
  if (s.printing()) {
    SourceWriter& w = Out(s);
    w.WriteText(";\t masked DotLine, in FS2000 obsolete!\n");
    w.Row<"\tDwx( 0036 %.4X %.4X %.4X %.4X %.4X %.4X %.4X\n\t\t">(U16(s, p + 2), U16(s, p + 4), U16(s, p + 6),
             U16(s, p + 8), U16(s, p + 10), U16(s, p + 12), U16(s, p + 14));
    for (int i = 0; i < k; ++i) w.Row<"%.4X ">(U16(s, p + 16 + 2 * static_cast<unsigned>(i)));
    w.WriteText(" )\n");
  }
  return 16 + 2 * static_cast<int64_t>(k);
}

constexpr char kDot[] = "\tDot( %d %d %d )\n";

// ---- reference points ---------------------------------------------------------------

// 0x2F RefPoint abs: scale, position and altitude, with the branch target
// taken when the point is out of sight.
int64_t OpRefPointAbs(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    SourceWriter& w = Out(s);
    GeoText& geo = s.geo();
    PutColonHead(s, "\tRefPoint( abs :", t);
    w.Row<" %5.2f%s%s">(Scale(s, p + 10), geo.LatText(GeoText::Lat48(Raw48(s, p + 14))),
             geo.LonText(GeoText::Lon48(Raw48(s, p + 20))));
    w.Row<"\n\t\tV1= %d V2= %d E= %lld )\n">(I16(s, p + 4), I16(s, p + 6),
             static_cast<long long>(HalfUp(GeoText::Fixed48(Raw48(s, p + 26)))));
  }
  return 32;
}

int64_t OpRefPointOfs(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    PutColonHead(s, "\tRefPoint( ofs :", t);
    Out(s).Row<" %d %d %.4X )\n">(I16(s, p + 4), I16(s, p + 6), U16(s, p + 10));
  }
  return 12;
}

int64_t OpRefPointNs(Section& s, uint64_t p) {
  const uint64_t t = s.Target16(p, 2);
  if (s.collecting()) {
    s.AddColonTarget(t);
  } else if (s.printing()) {
    SourceWriter& w = Out(s);
    GeoText& geo = s.geo();
    PutColonHead(s, "\tRefPoint( ns :", t);
    w.Row<"%s%s\n">(geo.LatText(GeoText::Lat48(Raw48(s, p + 10))), geo.LonText(GeoText::Lon48(Raw48(s, p + 16))));
    w.Row<"\t\tE= %6.2f V1= %d V2= %d )\n">(GeoText::Fixed48(Raw48(s, p + 22)), I16(s, p + 4), I16(s, p + 6));
  }
  return 28;
}

// 0x3D SEED belongs to synthetic scenery, not to object programs.
constexpr char kSeed[] =
    "\tDwx( 003D %.4X %.4X %.4X %.4X %.4X %.4X %.4X %.4X %.4X %.4X %.4X )\n;\t\t\t0x3d = SEED, should not occur "
    "in BGL files\n";

}  // namespace

void Register00To3F(OpHandler* table) {
  table[0x00] = Fixed2<kEof>;
  table[0x01] = Fixed2<kNop01>;
  table[0x02] = Fixed2<kNop>;
  table[0x03] = OpCase;
  table[0x04] = Fixed2<kDebug>;
  table[0x05] = Fixed2<kStartSurface>;
  table[0x06] = I16Line<kMoveTo, 8, 3>;
  table[0x07] = I16Line<kDrawTo, 8, 3>;
  table[0x08] = Fixed2<kEndSurface>;
  table[0x09] = Fixed2<kOp09>;
  table[0x0A] = U16Line<kOp0A, 10, 4>;
  table[0x0B] = U16Line<kOp0B, 10, 4>;
  table[0x0C] = Fixed2<kOp0C>;
  table[0x0D] = OpJump;
  table[0x0E] = I16Line<kDefPoint, 10, 4>;
  table[0x0F] = I16Line<kMoveToPt, 4, 1>;
  table[0x10] = I16Line<kDrawToPt, 4, 1>;
  table[0x11] = U16Line<kOp11, 12, 5>;
  table[0x12] = U16Line<kOp12, 4, 1>;
  table[0x13] = U16Line<kOp13, 4, 1>;
  table[0x14] = U16Line<kSetColor, 4, 1>;
  table[0x15] = OpElevationMap;
  table[0x16] = Fixed2<kOp16>;
  table[0x17] = I16Line<kTextureEnable, 4, 1>;
  table[0x18] = OpBitmap;
  table[0x19] = OpPalette;
  table[0x1A] = OpPoints;
  table[0x1B] = OpMonitorTr;
  table[0x1C] = OpIfVarRange2;
  table[0x1D] = OpVecPoly;
  table[0x1E] = I16Line<kBitmapMode, 4, 1>;
  table[0x1F] = OpTaxiMarkings;
  table[0x20] = OpTexPoly;
  table[0x21] = OpIfVarRange3;
  table[0x22] = OpReturn;
  table[0x23] = Call16<kCall>;
  table[0x24] = OpIfVarRange;
  table[0x25] = OpSeparationPlane;
  table[0x26] = OpSetVar;
  table[0x27] = OpTexWindow;
  table[0x28] = I16Line<kBall, 10, 4>;
  table[0x29] = OpVecPoints;
  table[0x2A] = OpShadedPoly;
  table[0x2B] = OpPerspectiveCall32;
  table[0x2C] = OpReject;
  table[0x2D] = OpRGBSColor;
  table[0x2E] = OpRGBLColor;
  table[0x2F] = OpRefPointAbs;
  table[0x30] = OpBrightness;
  table[0x31] = I16Line<kAutoPoints, 18, 8>;
  table[0x32] = Call16<kPerspectiveCall>;
  table[0x33] = OpRotatedCall;
  table[0x34] = OpSuperScale;
  table[0x35] = I16Line<kDotLine, 16, 7>;
  table[0x36] = OpMaskedDotLine;
  table[0x37] = I16Line<kDot, 8, 3>;
  table[0x38] = Fixed2<kConcave>;
  table[0x39] = OpIfVarAnd;
  table[0x3A] = OpRefPointOfs;
  table[0x3B] = OpPBHCall;
  table[0x3C] = OpRefPointNs;
  table[0x3D] = U16Line<kSeed, 24, 11>;
  table[0x3E] = OpPoly;
  table[0x3F] = Call16<kShadowCall>;
}

}  // namespace skarn::ops
