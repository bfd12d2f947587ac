// The dynamic scenery instructions: attitude, movement, acceleration, gear,
// timers, branches, positions, refuelling, landing aborts and taxiing.
//
// Every handler decodes the instruction whose opcode byte is at p and returns
// its length, which is fixed per opcode. In the collect pass only the branch
// instructions do anything (they record their target); in the print pass each
// writes its one SCASM line (Pitch and Bank write two). The text is assembled
// again, so every blank, tab and digit of the formats below is part of the
// format.
//
// Operands are read through the bounds-checked image reader: a read outside
// the file yields 0 and flags the instruction, which the walk then reports
// instead of its text, so the handlers simply read what they need.
//
// Encodings of the operands:
//   signed angle16 / angle16   s16 / u16 in 1/65536 circles
//   angle32                    s32 (unsigned for TaxiTo) in 1/2^32 circles
//   rate                       s16 in 1/32767 of 180 degrees, printed as whole
//                              degrees cut toward zero
//   acceleration               u16 in 1/4096 units
//   48-bit position            6 bytes: a 16-bit fraction below a 32-bit
//                              integer (latitude in metres from the equator,
//                              longitude in circles, altitude in metres)
//   32-bit position            s32 metres / s32 in 1/2^32 circles
//   branch target              s16 displacement from the opcode byte

#include <array>
#include <cstdint>

#include "core/GeoText.h"
#include "core/SourceWriter.h"
#include "sections/scenery/DynamicSection.h"

namespace skarn {
namespace {

using S = DynamicSection;

// ---- operand access -------------------------------------------------------

unsigned Op(const S& s, uint64_t p) { return s.image().U8(p); }
unsigned U8(const S& s, uint64_t at) { return s.image().U8(at); }
unsigned U16(const S& s, uint64_t at) { return s.image().U16(at); }
int I16(const S& s, uint64_t at) { return s.image().I16(at); }
uint32_t U32(const S& s, uint64_t at) { return s.image().U32(at); }
int32_t I32(const S& s, uint64_t at) { return s.image().I32(at); }

// A 6-byte field read as the low 48 bits of a 64-bit value (the two bytes
// after it belong to the next operand and are not read).
uint64_t Raw48(const S& s, uint64_t at) {
  return s.image().U32(at) | static_cast<uint64_t>(s.image().U16(at + 4)) << 32;
}

double SignedAngle16(const S& s, uint64_t at) { return GeoText::SignedAngle16(s.image().I16(at)); }
double Angle16(const S& s, uint64_t at) { return GeoText::Angle16(s.image().U16(at)); }
double SignedAngle32(const S& s, uint64_t at) { return GeoText::SignedAngle32(s.image().I32(at)); }
double Altitude48(const S& s, uint64_t at) { return GeoText::Fixed48(Raw48(s, at)); }

// Degrees per second: the s16 is a fraction of 180 degrees; whole degrees,
// cut toward zero (16384 gives 90, not 90.0027).
int Rate(const S& s, uint64_t at) { return static_cast<int>(s.image().I16(at) / 32767.0 * 180.0); }

double Acceleration(const S& s, uint64_t at) { return s.image().U16(at) / 4096.0; }

// The high and low nibble of a byte.
unsigned High(const S& s, uint64_t at) { return U8(s, at) >> 4; }
unsigned Low(const S& s, uint64_t at) { return U8(s, at) & 0x0Fu; }

SourceWriter& Out(S& s) { return s.writer(); }
std::string& Line(S& s) { return s.writer().line; }

// Position texts appended to the line buffer (each begins with a blank).
void AddLat48(S& s, uint64_t at) { Line(s) += s.geo().LatText(GeoText::Lat48(Raw48(s, at))); }
void AddLon48(S& s, uint64_t at) { Line(s) += s.geo().LonText(GeoText::Lon48(Raw48(s, at))); }
void AddLat32(S& s, uint64_t at) { Line(s) += s.geo().LatText(GeoText::Lat32(I32(s, at))); }
void AddLon32(S& s, uint64_t at) { Line(s) += s.geo().LonText(GeoText::Lon32(I32(s, at))); }

// Mnemonics of the opcodes whose handler serves several of them.
const char* Mnemonic(unsigned op) {
  switch (op) {
    case 0x01: return "PitchTo";
    case 0x02: return "BankTo";
    case 0x03: return "YawTo";
    case 0x05: return "Pitch";
    case 0x06: return "Bank";
    case 0x12: return "MoveX";
    case 0x13: return "MoveZ";
    case 0x14: return "MoveY";
    case 0x15: return "MoveXY";
    case 0x16: return "MoveXZ";
    case 0x17: return "MoveZY";
    case 0x19: return "AccelerateX";
    case 0x1A: return "AccelerateZ";
    case 0x1B: return "AccelerateY";
    case 0x1C: return "AccelerateXY";
    case 0x1D: return "AccelerateXZ";
    case 0x1E: return "AccelerateZY";
    case 0x24: return "Jump";
    case 0x25: return "Call";
    case 0x26: return "Return";
    case 0x29: return "Sleep";
    case 0x2A: return "Awaken";
    case 0x2B: return "IfEQ";
    case 0x2C: return "IfNE";
    case 0x2D: return "IfLT";
    case 0x2E: return "IfGT";
    case 0x38: return "StartTimer";
    case 0x39: return "MoveToPos1";
    case 0x3A: return "MoveToPos5";
    default: return "?";
  }
}
const char* Name(const S& s, uint64_t p) { return Mnemonic(Op(s, p)); }

// ---- instructions without operands ------------------------------------------

// Return, Sleep, StartTimer.
int OpBare(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s\n", Name(s, p));
    Out(s).FlushLine();
  }
  return 1;
}

// Opcodes with no instruction: one raw byte, and the walk goes on.
int OpUnknown(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tDbx( %.2X ) ; Unknown instruction at offset %.4X\n", Op(s, p), s.OffsetOf(p));
    Out(s).FlushLine();
  }
  return 1;
}

// 0x28: twelve bytes of an instruction no longer used.
int OpObsolete28(S& s, uint64_t) {
  if (s.printing()) Out(s).WriteText(";\tobsolete instruction 0x28 skipped\n");
  return 13;
}

// ---- attitude ----------------------------------------------------------------

// PitchTo, BankTo, YawTo: target angle and rate.
int OpAngleRate(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s( %.2f %d )\n", Name(s, p), SignedAngle16(s, p + 1), Rate(s, p + 3));
    Out(s).FlushLine();
  }
  return 5;
}

// Pitch, Bank: written as raw data, with the statement beside it as a
// comment.
int OpAngleRaw(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine(";\t%s( %.0f )\n\tDbx( %.2X %.2X %.2X )\n", Name(s, p), Angle16(s, p + 1), Op(s, p), U8(s, p + 1),
                   U8(s, p + 2));
    Out(s).FlushLine();
  }
  return 3;
}

int OpHeading(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tHeading( %.0f )\n", Angle16(s, p + 1));
    Out(s).FlushLine();
  }
  return 3;
}

// Any value but 0 lowers the gear.
int OpGear(S& s, uint64_t p) {
  if (s.printing()) Out(s).WriteText(U8(s, p + 1) == 0 ? "\tGear( up )\n" : "\tGear( down )\n");
  return 2;
}

// ---- movement ----------------------------------------------------------------

// MoveX, MoveZ, MoveY: time and one distance.
int OpMove1(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s( %d %d )\n", Name(s, p), U16(s, p + 1), I16(s, p + 3));
    Out(s).FlushLine();
  }
  return 5;
}

// MoveXY, MoveXZ, MoveZY: time and two distances (no blank before ")").
int OpMove2(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s( %d %d %d)\n", Name(s, p), U16(s, p + 1), I16(s, p + 3), I16(s, p + 5));
    Out(s).FlushLine();
  }
  return 7;
}

int OpMove3D(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tMove3D( %d %d %d %d )\n", U16(s, p + 1), I16(s, p + 3), I16(s, p + 5), I16(s, p + 7));
    Out(s).FlushLine();
  }
  return 9;
}

// AccelerateX, AccelerateZ, AccelerateY: time, acceleration, one speed.
int OpAccelerate1(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s( %d %.2f %d )\n", Name(s, p), U16(s, p + 1), Acceleration(s, p + 3), I16(s, p + 5));
    Out(s).FlushLine();
  }
  return 7;
}

// AccelerateXY, AccelerateXZ, AccelerateZY: two speeds.
int OpAccelerate2(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s( %d %.2f %d %d )\n", Name(s, p), U16(s, p + 1), Acceleration(s, p + 3), I16(s, p + 5),
                   I16(s, p + 7));
    Out(s).FlushLine();
  }
  return 9;
}

int OpAccelerate3D(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tAccelerate3D( %d %.2f %d %d %d )\n", U16(s, p + 1), Acceleration(s, p + 3), I16(s, p + 5),
                   I16(s, p + 7), I16(s, p + 9));
    Out(s).FlushLine();
  }
  return 11;
}

int OpTurn(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tTurn( %d %.0f %d )\n", U16(s, p + 1), Angle16(s, p + 3), U16(s, p + 5));
    Out(s).FlushLine();
  }
  return 7;
}

// ---- control -------------------------------------------------------------------

// Jump, Call, Awaken: a target and nothing else. A Jump does not make the
// bytes after it data: motion programs have no data areas.
int OpBranch(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s( :L%.6X )\n", Name(s, p), s.TargetLabel(p, 1));
    Out(s).FlushLine();
  } else {
    s.AddTarget(p, 1);
  }
  return 3;
}

// IfEQ, IfNE, IfLT, IfGT: target, variable, value.
int OpIf(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s( :L%.6X %d %d )\n", Name(s, p), s.TargetLabel(p, 1), U16(s, p + 3), U16(s, p + 5));
    Out(s).FlushLine();
  } else {
    s.AddTarget(p, 1);
  }
  return 7;
}

int OpHold(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tHold( %d )\n", U16(s, p + 1));
    Out(s).FlushLine();
  }
  return 3;
}

int OpSetColor(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tSetColor( %d %.2X %.2X )\n", U8(s, p + 1), U8(s, p + 2), U8(s, p + 3));
    Out(s).FlushLine();
  }
  return 4;
}

// Pattern: a u16, the target at +3, two bytes not read, two nibbles.
int OpPattern(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tPattern( :L%.6X %.5X %X %X )\n", s.TargetLabel(p, 3), U16(s, p + 1), High(s, p + 7),
                   Low(s, p + 7));
    Out(s).FlushLine();
  } else {
    s.AddTarget(p, 3);
  }
  return 8;
}

// CallDLibObj: the target, four bytes not read, two nibbles, four u32.
int OpCallDLibObj(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tCallDLibObj( :L%.6X %X %X %.8X %.8X %.8X %.8X )\n", s.TargetLabel(p, 1), High(s, p + 7),
                   Low(s, p + 7), U32(s, p + 8), U32(s, p + 12), U32(s, p + 16), U32(s, p + 20));
    Out(s).FlushLine();
  } else {
    s.AddTarget(p, 1);
  }
  return 24;
}

int OpAcs(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tACS( %d )\n", U8(s, p + 1));
    Out(s).FlushLine();
  }
  return 2;
}

// ---- positions ---------------------------------------------------------------

int OpSetPos(S& s, uint64_t p) {
  if (s.printing()) {
    Line(s).assign("\tSetPos( ");
    AddLat48(s, p + 1);
    AddLon48(s, p + 7);
    Out(s).AddLine(" %.3f )\n", Altitude48(s, p + 13));
    Out(s).FlushLine();
  }
  return 19;
}

int OpLatRef(S& s, uint64_t p) {
  if (s.printing()) {
    Line(s).assign("\tLatRef(");
    AddLat48(s, p + 1);
    Line(s) += " )\n";
    Out(s).FlushLine();
  }
  return 7;
}

// MoveToPos1, MoveToPos5: position, altitude and three angles.
int OpMoveToPos(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\t%s( ", Name(s, p));
    AddLat48(s, p + 1);
    AddLon48(s, p + 7);
    Out(s).AddLine(" %.3f %.2f %.2f %.2f)\n", Altitude48(s, p + 13), SignedAngle32(s, p + 19),
                   SignedAngle32(s, p + 23), SignedAngle32(s, p + 27));
    Out(s).FlushLine();
  }
  return 31;
}

// MoveToPosN: as MoveToPos1 after a leading count byte.
int OpMoveToPosN(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tMoveToPosN( %d", U8(s, p + 1));
    AddLat48(s, p + 2);
    AddLon48(s, p + 8);
    Out(s).AddLine(" %.3f %.2f %.2f %.2f)\n", Altitude48(s, p + 14), SignedAngle32(s, p + 20),
                   SignedAngle32(s, p + 24), SignedAngle32(s, p + 28));
    Out(s).FlushLine();
  }
  return 32;
}

int OpTaxiTo(S& s, uint64_t p) {
  if (s.printing()) {
    Line(s).assign("\tTaxiTo( ");
    AddLat48(s, p + 1);
    AddLon48(s, p + 7);
    Out(s).AddLine(" %.3f %.2f )\n", Altitude48(s, p + 13), GeoText::Angle32(U32(s, p + 19)));
    Out(s).FlushLine();
  }
  return 23;
}

// RefuelBounds: position, radius, the target at +13 and a u16.
int OpRefuelBounds(S& s, uint64_t p) {
  if (s.printing()) {
    Line(s).assign("\tRefuelBounds( ");
    AddLat32(s, p + 1);
    AddLon32(s, p + 5);
    Out(s).AddLine(" %d :L%.6X %d )\n", I32(s, p + 9), s.TargetLabel(p, 13), U16(s, p + 15));
    Out(s).FlushLine();
  } else {
    s.AddTarget(p, 13);
  }
  return 17;
}

int OpRefuel(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tRefuel( %d )\n", I32(s, p + 1));
    Out(s).FlushLine();
  }
  return 5;
}

// LandingAbort: position, then six fields on a continuation line.
int OpLandingAbort(S& s, uint64_t p) {
  if (s.printing()) {
    Line(s).assign("\tLandingAbort(");
    AddLat32(s, p + 1);
    AddLon32(s, p + 5);
    Out(s).AddLine("\n\t\t%d %d %d %.2f %d %d )\n", I32(s, p + 9), U8(s, p + 13), U16(s, p + 14),
                   Angle16(s, p + 16), I32(s, p + 18), I32(s, p + 22));
    Out(s).FlushLine();
  }
  return 26;
}

// IfObjectInBox: the target, a position, its extent and heading.
int OpIfObjectInBox(S& s, uint64_t p) {
  if (s.printing()) {
    Out(s).SetLine("\tIfObjectInBox( :L%.6X", s.TargetLabel(p, 1));
    AddLat32(s, p + 3);
    AddLon32(s, p + 7);
    Out(s).AddLine(" %d %.2f %d %d )\n", I32(s, p + 11), Angle16(s, p + 15), I32(s, p + 17), I32(s, p + 21));
    Out(s).FlushLine();
  } else {
    s.AddTarget(p, 1);
  }
  return 25;
}

}  // namespace

void FillDynamicOps(std::array<DynamicOp, DynamicSection::kOpcodeCount>& t) {
  t.fill(&OpUnknown);
  t[0x01] = t[0x02] = t[0x03] = &OpAngleRate;
  t[0x04] = &OpGear;
  t[0x05] = t[0x06] = &OpAngleRaw;
  t[0x07] = &OpHeading;
  t[0x12] = t[0x13] = t[0x14] = &OpMove1;
  t[0x15] = t[0x16] = t[0x17] = &OpMove2;
  t[0x18] = &OpMove3D;
  t[0x19] = t[0x1A] = t[0x1B] = &OpAccelerate1;
  t[0x1C] = t[0x1D] = t[0x1E] = &OpAccelerate2;
  t[0x1F] = &OpAccelerate3D;
  t[0x20] = &OpTurn;
  t[0x24] = t[0x25] = &OpBranch;
  t[0x26] = &OpBare;
  t[0x27] = &OpHold;
  t[0x28] = &OpObsolete28;
  t[0x29] = &OpBare;
  t[0x2A] = &OpBranch;
  t[0x2B] = t[0x2C] = t[0x2D] = t[0x2E] = &OpIf;
  t[0x31] = &OpSetColor;
  t[0x32] = &OpPattern;
  t[0x33] = &OpSetPos;
  t[0x34] = &OpLatRef;
  t[0x35] = &OpCallDLibObj;
  t[0x38] = &OpBare;
  t[0x39] = t[0x3A] = &OpMoveToPos;
  t[0x3B] = &OpMoveToPosN;
  t[0x3D] = &OpRefuelBounds;
  t[0x3E] = &OpRefuel;
  t[0x40] = &OpLandingAbort;
  t[0x41] = &OpTaxiTo;
  t[0x42] = &OpAcs;
  t[0x43] = &OpIfObjectInBox;
}

}  // namespace skarn
