// Vantrelkit: the published interface of the board control.
//
// This is everything a host may include. A host loads libVantrelkit.so at run time by its soname,
// libVantrelkit.so.MAJOR (MAJOR the control's major version), asks it for the class with
// programmatic identifier "Vantrelkit.Vantrel" through the exported entry points at the end of
// this header, and from then on calls members only by DISPID through IDispatch::invoke. It never
// links the library and never sees the control's own classes.
//
// Argument conventions of invoke():
//   - arguments are passed in declaration order (first argument first);
//   - a property write passes the new value as its last argument;
//   - coordinates are 16-bit integers by reference (VarType::I2Ref), PieceNum values 32-bit,
//     Booleans 16-bit with true = -1 (VBool);
//   - BoardScale is a 32-bit real (VarType::R4), by value or by reference; a write also takes a
//     16- or 32-bit integer;
//   - a failure returns its error number (never 0) and fills the ExcepInfo with the same number
//     and a description; descriptions are static texts owned by the library.
// A call never allocates on the heap, except About, the calls that resize the control
// (ChangeBoardSize and a BoardScale write), and EndGlide when the pieces' pictures must first be
// drawn for a new scale, ratio or PieceSet.
#pragma once

#include <cstdint>

class QWidget;

namespace vantrelkit {

// The content of a square. An empty square holds none (1); 2 to 7 are Black, 8 to 13 White.
enum PieceNum : std::int32_t {
    none = 1,
    Bpawn = 2,
    Brook = 3,
    Bknight = 4,
    Bbishop = 5,
    BQueen = 6,
    Bking = 7,
    Wpawn = 8,
    Wrook = 9,
    Wknight = 10,
    Wbishop = 11,
    WQueen = 12,
    wking = 13,
};

// 16-bit Boolean of the dispatch interface.
using VBool = std::int16_t;
inline constexpr VBool VTrue = -1;
inline constexpr VBool VFalse = 0;

inline constexpr const char* kProgId = "Vantrelkit.Vantrel";

// Members of _Vantrel.
namespace dispid {
inline constexpr std::int32_t Piece = 0x68030000;
inline constexpr std::int32_t IsSelected = 0x68030001;
inline constexpr std::int32_t Enabled = 0x68030002;
// The scale the control lays itself out and draws at, 0.25 to 16 (default 1), kept while the
// instance lives and never loaded or saved. Writing s resizes the control to lround(296 * s)
// logical pixels square, lays every square picture out again at its place and size of creation
// times s, and draws the board and the pieces anew for s times the device pixel ratio. A value
// outside that range, or not a number, raises InvalidPropertyValue and changes nothing.
// ChangeBoardSize keeps counting in the control's logical pixels.
inline constexpr std::int32_t BoardScale = 0x68030003;
// NewGame and Clear also clear the highlight (see HighlightSquares).
inline constexpr std::int32_t NewGame = 0x60030004;
inline constexpr std::int32_t Clear = 0x60030005;
inline constexpr std::int32_t ChangeBoardSize = 0x6003000F;
inline constexpr std::int32_t MovePiece = 0x60030010;
inline constexpr std::int32_t IsLegalMove = 0x60030011;
// HighlightSquares(fromCol, fromRow, toCol, toRow): tints the two squares, under their pieces,
// with a translucent yellow-green that shows on light and dark squares alike, in place of the
// squares tinted before (one square when both are the same). Coordinates are 16-bit, by
// reference or by value; one outside 1 to 8 raises CoordinateRange and changes nothing. Only the
// squares whose tint changes are repainted. NewGame, Clear and ClearHighlight remove the tint;
// it is kept while the instance lives and never loaded or saved.
inline constexpr std::int32_t HighlightSquares = 0x60030012;
// ClearHighlight(): removes the tint of HighlightSquares, repainting only the squares it covered.
inline constexpr std::int32_t ClearHighlight = 0x60030013;
// BoardTheme: property, a 32-bit integer (VarType::I4, by value or by reference; a write also
// takes a 16-bit integer), one of the boardtheme values below, default boardtheme::designed. The
// colours of the squares and of the frame; a write repaints the board. A value outside them
// raises InvalidPropertyValue and changes nothing. Kept while the instance lives, never loaded or
// saved: a host that never writes it shows the designed board.
inline constexpr std::int32_t BoardTheme = 0x68030014;
// PieceSet: property, a 32-bit integer like BoardTheme, one of the pieceset values below, default
// pieceset::designed. The look of the pieces, always drawn for the device's own pixels at the
// control's scale; a write repaints the pieces. A value outside them raises InvalidPropertyValue
// and changes nothing. Kept while the instance lives, never loaded or saved.
inline constexpr std::int32_t PieceSet = 0x68030015;
// Gliding moves. Without them every member shows its change at once, as it always did.
//
// BeginGlide(duration): method; duration a 32-bit integer (by value or by reference; a 16-bit
// one widens), the glide's time in milliseconds, 0 to 10000 (outside it: InvalidPropertyValue,
// and nothing changes). Opens a glide. Until EndGlide, MovePiece and Piece writes change the
// position at once (Piece reads, IsLegalMove and the host's own bookkeeping see the new
// position), while the board keeps showing the squares as they were. A glide running or opened
// before is first finished (as FinishGlide).
//
// EndGlide(): method, no arguments. Shows what changed since BeginGlide as one glide: every piece
// carried by MovePiece slides in a straight line from its origin to its destination, all of them
// together (castling: king and rook; a piece carried twice slides from its first origin to its
// last destination), easing in and out over the duration. Its origin empties when it leaves; its
// destination, and every square changed by a Piece write, keep showing their old content until
// the pieces arrive, and then show the new position: the captured piece goes when the mover
// arrives, the pawn taken en passant (a Piece write of none) too, and a promotion (MovePiece of
// the pawn, then a Piece write of the new piece on the last row) shows the pawn sliding and the
// new piece on arrival. Up to 8 pieces slide in one glide; the moves of any more show on arrival.
// Frames are drawn at the display's refresh rate or 60 a second, whichever is lower, with the piece
// placed on the screen's own pixels at every BoardScale and device pixel ratio, and each frame
// repaints only the pixels the sliding pieces leave and cover. The frames run from the host's event
// loop: no call waits for a glide. Without an open glide, EndGlide does nothing; with a duration of
// 0, or nothing carried, the change shows at once.
//
// A host that plays a half-move as a glide calls BeginGlide(min(250, a third of the time between
// moves)), then its usual MovePiece and Piece writes for that half-move, then EndGlide.
inline constexpr std::int32_t BeginGlide = 0x60030016;
inline constexpr std::int32_t EndGlide = 0x60030017;
// FinishGlide(): method, no arguments. Ends an open or running glide at once, the board showing
// the position; nothing else. MovePiece, a Piece write, NewGame, Clear, ChangeBoardSize and a
// BoardScale write made while a glide runs (after EndGlide, before its pieces arrive) finish it
// first; NewGame, Clear, ChangeBoardSize and a BoardScale write made inside an open glide also
// close it, showing everything at once. HighlightSquares, BoardTheme and PieceSet leave a glide
// running.
inline constexpr std::int32_t FinishGlide = 0x60030018;
// Gliding: read-only property, a Boolean (VBool): true while a glide is open or its pieces are
// still sliding.
inline constexpr std::int32_t Gliding = 0x68030019;
inline constexpr std::int32_t About = -552;

// Events of __Vantrel.
inline constexpr std::int32_t Click = 1;
inline constexpr std::int32_t DblClick = 2;
inline constexpr std::int32_t MouseDown = 3;
inline constexpr std::int32_t MouseMove = 4;
inline constexpr std::int32_t MouseUp = 5;
} // namespace dispid

// Values of BoardTheme: the designed wooden board, then green, blue and grey squares.
namespace boardtheme {
inline constexpr std::int32_t designed = 0;
inline constexpr std::int32_t green = 1;
inline constexpr std::int32_t blue = 2;
inline constexpr std::int32_t grey = 3;
} // namespace boardtheme

// Values of PieceSet: the designed pieces (Black in red), and the classic set, Black's pieces
// black with a light outline and White's white with a dark one.
namespace pieceset {
inline constexpr std::int32_t designed = 0;
inline constexpr std::int32_t classic = 1;
} // namespace pieceset

// Error numbers raised by the control and by the dispatch layer.
namespace error {
inline constexpr std::int32_t Ok = 0;
// Piece read with a coordinate outside 1 to 8 (component error base 0x80040000 + 1050).
inline constexpr std::int32_t PieceReadRange = -2147220454;
// Every other member with a coordinate outside 1 to 8 (component error base + 1).
inline constexpr std::int32_t CoordinateRange = -2147221503;
// Piece written while the host is not in user mode.
inline constexpr std::int32_t NotUserMode = 382;
// Piece written with a value outside 1 to 13, BoardScale with one outside 0.25 to 16, BoardTheme
// or PieceSet with a value they do not have, BeginGlide with a duration outside 0 to 10000.
inline constexpr std::int32_t InvalidPropertyValue = 380;
// Dispatch errors: unknown member or kind, wrong argument count, wrong argument type.
inline constexpr std::int32_t MemberNotFound = -2147352573; // 0x80020003
inline constexpr std::int32_t BadParamCount = -2147352562;  // 0x8002000E
inline constexpr std::int32_t TypeMismatch = -2147352571;   // 0x80020005
// Housing: no class of that programmatic identifier.
inline constexpr std::int32_t ClassNotAvailable = -2147221231; // 0x80040111
} // namespace error

inline constexpr const char* kInvalidCoordinateText = "Invalid column or row";

enum class InvokeKind : std::uint8_t { Method, PropertyGet, PropertyPut };

enum class VarType : std::uint8_t { Empty, I2, I4, R4, Bool, I2Ref, I4Ref, R4Ref, BoolRef };

// A dispatch argument or result: a value or a reference to the caller's variable.
struct Variant {
    VarType type = VarType::Empty;
    union {
        std::int16_t i2;
        std::int32_t i4;
        float r4;
        VBool boolVal;
        std::int16_t* pi2;
        std::int32_t* pi4;
        float* pr4;
        VBool* pbool;
    };

    constexpr Variant() : i4(0) {}
    static constexpr Variant ref(std::int16_t& v) {
        Variant r;
        r.type = VarType::I2Ref;
        r.pi2 = &v;
        return r;
    }
    static constexpr Variant ref(std::int32_t& v) {
        Variant r;
        r.type = VarType::I4Ref;
        r.pi4 = &v;
        return r;
    }
    static constexpr Variant ref(float& v) {
        Variant r;
        r.type = VarType::R4Ref;
        r.pr4 = &v;
        return r;
    }
    static constexpr Variant fromI2(std::int16_t v) {
        Variant r;
        r.type = VarType::I2;
        r.i2 = v;
        return r;
    }
    static constexpr Variant fromI4(std::int32_t v) {
        Variant r;
        r.type = VarType::I4;
        r.i4 = v;
        return r;
    }
    static constexpr Variant fromR4(float v) {
        Variant r;
        r.type = VarType::R4;
        r.r4 = v;
        return r;
    }
    static constexpr Variant fromBool(bool v) {
        Variant r;
        r.type = VarType::Bool;
        r.boolVal = v ? VTrue : VFalse;
        return r;
    }
};

struct ExcepInfo {
    std::int32_t number = 0;
    const char* description = nullptr; // static text, or nullptr for none
};

// The published dispatch interface _Vantrel.
class IDispatch {
public:
    virtual std::int32_t invoke(std::int32_t dispid, InvokeKind kind, const Variant* args, int argc,
                                Variant* result, ExcepInfo* excep) = 0;

protected:
    ~IDispatch() = default;
};

// The host's end of the event interface __Vantrel. Events arrive synchronously on the
// user-interface thread; all arguments are by reference.
class IEventSink {
public:
    virtual void onEvent(std::int32_t dispid, const Variant* args, int argc) = 0;

protected:
    ~IEventSink() = default;
};

// A value in the host's property store: a Boolean, a 16-bit integer or a picture (encoded image
// bytes; an empty picture has no bytes).
struct PropertyValue {
    enum class Kind : std::uint8_t { Boolean, Integer, Picture } kind = Kind::Integer;
    std::int16_t integer = 0; // Integer, and Boolean as VBool
    const unsigned char* pictureData = nullptr;
    std::uint32_t pictureSize = 0;
};

// What a host may supply: its user-mode ambient value and a per-instance property store.
// Without a site the control is in user mode and its properties keep their defaults.
class IHostSite {
public:
    virtual bool userMode() = 0;
    virtual void propertyChanged(const char* name) = 0;
    // Returns false when the store holds no value of that name. Picture bytes stay owned by the
    // host and must live until the call returns.
    virtual bool readProperty(const char* name, PropertyValue* value) = 0;
    virtual void writeProperty(const char* name, const PropertyValue& value) = 0;

protected:
    ~IHostSite() = default;
};

// One control instance as the host holds it.
class IControl : public IDispatch {
public:
    // The control's window, already a child of the parent given at creation.
    virtual QWidget* window() = 0;
    // Connects the event sink (nullptr disconnects). One sink at a time.
    virtual void advise(IEventSink* sink) = 0;
    // Persistence: first placement in a host, load from the host's store, save to it.
    virtual void initNew() = 0;
    virtual void load() = 0;
    virtual void save() = 0;
    // Destroys the instance (square pictures released, window deleted).
    virtual void release() = 0;

protected:
    ~IControl() = default;
};

class IClassFactory {
public:
    // Creates an instance whose window is a child of parent; site may be nullptr.
    virtual IControl* createInstance(QWidget* parent, IHostSite* site) = 0;

protected:
    ~IClassFactory() = default;
};

} // namespace vantrelkit

// Entry points of libVantrelkit.so, looked up by name with dlsym or QLibrary::resolve.
extern "C" {
// Class-object lookup by programmatic identifier: 0 and *factory set, or ClassNotAvailable.
using VantrelkitGetClassObjectFn = std::int32_t (*)(const char* progId,
                                                    vantrelkit::IClassFactory** factory);
// 0 (S_OK) when no instance lives and the library may be unloaded, 1 (S_FALSE) otherwise.
using VantrelkitCanUnloadNowFn = std::int32_t (*)();
// Writes (or removes) a per-user entry mapping the identifier to the library's path.
using VantrelkitRegisterServerFn = std::int32_t (*)();
using VantrelkitUnregisterServerFn = std::int32_t (*)();
}

#define VANTRELKIT_GET_CLASS_OBJECT "VantrelkitGetClassObject"
#define VANTRELKIT_CAN_UNLOAD_NOW "VantrelkitCanUnloadNow"
#define VANTRELKIT_REGISTER_SERVER "VantrelkitRegisterServer"
#define VANTRELKIT_UNREGISTER_SERVER "VantrelkitUnregisterServer"
