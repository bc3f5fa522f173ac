"""Python binding for zd, the small 2D vector-graphics library.

Built on ctypes from the standard library; numpy and Pillow are used when
they are installed and never required.

    import zd
    with zd.Path.parse("M10 10 L90 10 L50 80 Z") as path, zd.Image(100, 100) as image:
        image.fill(path.circle(50, 50, 20), zd.Color.parse("oklch(70% 0.1 150)"))
        image.save("out.png")

The shared library is found, in order, through the ZD_LIBRARY environment
variable (the path of a built libzd.so.1, for working on zd itself), the copy
installed with this package (`pip install ./bindings/python` builds and
bundles it), and the system's libzd.so.1 (as `cmake --install` puts it).

Errors
    Bad input raises ValueError carrying the library's own account of what
    went wrong and where ("parsePath: expected a number at offset 6 ...",
    "zd_image_new: width must be >= 1 (got 0)"); MemoryError is raised only
    when the library reports that a block for a result could not be had
    (status 8). Arguments are checked before anything reaches the library:
    a wrong type raises TypeError, an integer outside its C type or a number
    beyond the 32-bit float range OverflowError, text with a NUL character
    ValueError. NaN and infinities reach the library, which refuses them
    with a message naming the argument.

Handles, views and threads
    Path, Image and Color objects own one reference to a library handle,
    given back by close() (or a `with` block, or at the latest when the
    object is collected). Any number of threads may use one handle at once:
    calls that only read it (filling with a path or colour, printing a path,
    encoding an image) run side by side, and a call that changes it (a path
    builder, a fill into an image, close) waits for them and runs alone.
    ctypes releases the GIL during each call, so fills on several threads
    run in parallel. `Image.pixels`, `numpy.asarray(image)` and the arrays
    made from them are views of the image's own bytes: each keeps the image
    alive, and close() while one exists raises BufferError (as a bytearray
    with live views refuses to resize); drop the views first.

Adding a method (the conventions every method here follows)
    - Bind the export once at module level: _bind(name, restype, *argtypes).
    - Check and convert every argument first: _int32 / _int64 (TypeError for
      a non-integer, OverflowError outside the C type), _float (TypeError,
      OverflowError beyond float32), _text (str or bytes, no NUL), _flag
      (truthiness), _expect(obj, Class, name) (TypeError for another class).
    - Call with the handles held: `with self._reading() as h:` or
      `with self._writing() as h:` for one handle, `with _using((a, False),
      (b, True)) as (ha, hb):` for several (True marks the ones written).
    - Turn the result into an exception with _check(status) or
      _made(Class, handle), which read the library's message. Objects are
      made from handles only that way (never Class(handle)).
"""

from __future__ import annotations

import ctypes
import ctypes.util
import math
import numbers
import operator
import os
import tempfile
import threading
import weakref
from typing import Any, Iterable, List, Optional, Sequence, Tuple, Type, TypeVar, Union

__all__ = ["Path", "Image", "Color", "Paint", "LinearGradient", "RadialGradient",
           "ConicGradient", "to_svg", "Segment", "Matrix", "translation",
           "scaling", "rotation", "multiply", "library", "version", "__version__",
           "render_svg", "SvgWarning"]

Segment = Tuple[float, float, float, float]
# An affine matrix (a, b, c, d, e, f): x' = a x + c y + e, y' = b x + d y + f.
Matrix = Tuple[float, float, float, float, float, float]
Text = Union[str, bytes, bytearray]
PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

_OK, _BAD_ARGUMENT, _OUT_OF_MEMORY = 0, 2, 8

# ------------------------------------------------------------------ loading

_PACKAGE_DIRECTORY = os.path.dirname(os.path.abspath(__file__))
_MISSING_LIBRARY = (
    "zd: libzd.so.1 was not found. Install the package with "
    "`pip install ./bindings/python` (it builds the library and installs it "
    "with the package), install zd with `cmake --install build`, or set "
    "ZD_LIBRARY to the path of a built libzd.so.1")


def _load() -> ctypes.CDLL:
    explicit = os.environ.get("ZD_LIBRARY")
    if explicit:
        try:
            return ctypes.CDLL(explicit)
        except OSError as error:
            raise ImportError(f"zd: ZD_LIBRARY={explicit!r} cannot be loaded ({error}); "
                              "point it at a built libzd.so.1 or unset it") from error
    candidates = [os.path.join(_PACKAGE_DIRECTORY, "libzd.so.1"), "libzd.so.1",
                  ctypes.util.find_library("zd")]
    for name in candidates:
        if not name:
            continue
        try:
            return ctypes.CDLL(name)
        except OSError:
            continue
    raise ImportError(_MISSING_LIBRARY)


library = _load()

_f = ctypes.c_float
_i32 = ctypes.c_int32
_i64 = ctypes.c_int64
_vp = ctypes.c_void_p
_cp = ctypes.c_char_p
_fp = ctypes.POINTER(ctypes.c_float)
_u8p = ctypes.POINTER(ctypes.c_uint8)


def _bind(name: str, restype: Any, *argtypes: Any) -> Any:
    function = getattr(library, name)
    function.restype = restype
    function.argtypes = list(argtypes)
    return function


class _Command(ctypes.Structure):
    _fields_ = [("kind", ctypes.c_int32), ("params", ctypes.c_float * 7)]


class _Stroke(ctypes.Structure):
    _fields_ = [("width", ctypes.c_float), ("join", ctypes.c_int32), ("cap", ctypes.c_int32),
                ("miter_limit", ctypes.c_float), ("dashes", ctypes.POINTER(ctypes.c_float)),
                ("dash_count", ctypes.c_int32), ("dash_offset", ctypes.c_float)]


_init_keep_signals = _bind("zd_init_keep_signals", None)
_strerror = _bind("zd_strerror", _cp, _i32)
_last_error = _bind("zd_last_error", _cp)
_version = _bind("zd_version", _cp)
_buffer_free = _bind("zd_buffer_free", None, _vp)
_path_new = _bind("zd_path_new", _vp)
_path_copy = _bind("zd_path_copy", _vp, _vp)
_path_free = _bind("zd_path_free", None, _vp)
_image_free = _bind("zd_image_free", None, _vp)
_color_free = _bind("zd_color_free", None, _vp)
_move_to = _bind("zd_path_move_to", _i32, _vp, _f, _f)
_line_to = _bind("zd_path_line_to", _i32, _vp, _f, _f)
_bezier = _bind("zd_path_bezier_curve_to", _i32, _vp, _f, _f, _f, _f, _f, _f)
_quadratic = _bind("zd_path_quadratic_curve_to", _i32, _vp, _f, _f, _f, _f)
_elliptical = _bind("zd_path_elliptical_arc_to", _i32, _vp, _f, _f, _f, _i32, _i32, _f, _f)
_close = _bind("zd_path_close_path", _i32, _vp)
_rect = _bind("zd_path_rect", _i32, _vp, _i32, _f, _f, _f, _f)
_rounded = _bind("zd_path_rounded_rect", _i32, _vp, _i32, _f, _f, _f, _f, _f, _f, _f, _f)
_ellipse = _bind("zd_path_ellipse", _i32, _vp, _f, _f, _f, _f)
_circle = _bind("zd_path_circle", _i32, _vp, _f, _f, _f)
_polygon = _bind("zd_path_polygon", _i32, _vp, _i32, _f, _f, _f)
_arc = _bind("zd_path_arc", _i32, _vp, _i32, _f, _f, _f, _f, _f)
_arc_to = _bind("zd_path_arc_to", _i32, _vp, _f, _f, _f, _f, _f)
_add_path = _bind("zd_path_add_path", _i32, _vp, _vp)
_current = _bind("zd_path_current", _i32, _vp, _fp)
_start = _bind("zd_path_start", _i32, _vp, _fp)
_count = _bind("zd_path_command_count", _i64, _vp)
_command_get = _bind("zd_path_command_get", _i32, _vp, _i64, ctypes.POINTER(_Command))
_parameter_count = _bind("zd_path_command_parameter_count", _i32, _i32)
_parse_d = _bind("zd_path_parse_d", _i32, _cp, ctypes.POINTER(_vp))
_to_d = _bind("zd_path_to_d", _i32, _vp, ctypes.POINTER(_vp), ctypes.POINTER(_i64))
_flatten = _bind("zd_path_flatten", _i32, _vp, _fp, _i64, ctypes.POINTER(_i64), _f)
_bounds = _bind("zd_segments_bounds", _i32, _fp, _i64, _fp)
_image_new = _bind("zd_image_new", _vp, _i32, _i32)
_image_width = _bind("zd_image_width", _i32, _vp)
_image_height = _bind("zd_image_height", _i32, _vp)
_image_pixels = _bind("zd_image_pixels", _i32, _vp, ctypes.POINTER(_u8p), ctypes.POINTER(_i64))
_encode_png = _bind("zd_image_encode_png", _i32, _vp, ctypes.POINTER(_vp), ctypes.POINTER(_i64))
_encode = _bind("zd_image_encode", _i32, _vp, _i32, _i32, ctypes.POINTER(_vp),
                ctypes.POINTER(_i64))
_color_parse = _bind("zd_color_parse", _vp, _cp)
_color_rgba = _bind("zd_color_rgba", _vp, _f, _f, _f, _f)
_color_to_svg = _bind("zd_color_to_svg", _i32, _vp, ctypes.POINTER(_vp), ctypes.POINTER(_i64))
_color_parse_css = _bind("zd_color_parse_css", _vp, _cp)
_color_new = _bind("zd_color_new", _vp, _cp, _fp, _i32, _f)
_color_convert = _bind("zd_color_convert", _vp, _vp, _cp)
_color_gamut_map = _bind("zd_color_gamut_map", _vp, _vp, _cp, _i32)
_color_space = _bind("zd_color_space", _cp, _vp)
_color_components = _bind("zd_color_components", _i32, _vp, _fp, ctypes.POINTER(_i32), _fp)
_color_to_css = _bind("zd_color_to_css", _i32, _vp, ctypes.POINTER(_vp), ctypes.POINTER(_i64))
_color_mix = _bind("zd_color_mix", _i32, _vp, _vp, _f, _cp, _i32, ctypes.POINTER(_vp))
_color_delta_e = _bind("zd_color_delta_e", _i32, _vp, _vp, _i32, ctypes.POINTER(ctypes.c_double))
_fill_path = _bind("zd_fill_path", _i32, _vp, _vp, _vp, _i32, _i32, _f)
_path_to_svg_rule = _bind("zd_path_to_svg_rule", _i32, _vp, _vp, _i32, _i32, _i32,
                          ctypes.POINTER(_vp), ctypes.POINTER(_i64))
_path_stroke = _bind("zd_path_stroke", _i32, _vp, ctypes.POINTER(_Stroke), _f, ctypes.POINTER(_vp))
_path_transform = _bind("zd_path_transform", _i32, _vp, _fp)
_paint_new = _bind("zd_paint_new", _vp)
_paint_copy = _bind("zd_paint_copy", _vp, _vp)
_paint_free = _bind("zd_paint_free", None, _vp)
_paint_set_color = _bind("zd_paint_set_color", _i32, _vp, _vp)
_paint_set_fill = _bind("zd_paint_set_fill", _i32, _vp, _i32)
_paint_set_stroke = _bind("zd_paint_set_stroke", _i32, _vp, ctypes.POINTER(_Stroke))
_paint_set_mode = _bind("zd_paint_set_mode", _i32, _vp, _i32)
_paint_set_tolerance = _bind("zd_paint_set_tolerance", _i32, _vp, _f)
_paint_set_antialias = _bind("zd_paint_set_antialias", _i32, _vp, _i32)
_draw_path = _bind("zd_draw_path", _i32, _vp, _vp, _vp, _fp)
_paint_set_linear = _bind("zd_paint_set_linear", _i32, _vp, _f, _f, _f, _f)
_paint_set_radial = _bind("zd_paint_set_radial", _i32, _vp, _f, _f, _f, _f, _f, _f)
_paint_set_conic = _bind("zd_paint_set_conic", _i32, _vp, _f, _f, _f)
_paint_add_stop = _bind("zd_paint_add_stop", _i32, _vp, _f, _vp)
_paint_clear_stops = _bind("zd_paint_clear_stops", _i32, _vp)
_paint_set_spread = _bind("zd_paint_set_spread", _i32, _vp, _i32)
_paint_set_interpolation = _bind("zd_paint_set_interpolation", _i32, _vp, ctypes.c_char_p, _i32)
_paint_set_gradient_transform = _bind("zd_paint_set_gradient_transform", _i32, _vp, _fp)

# Python handles SIGINT itself (KeyboardInterrupt): the start-up that leaves
# every signal disposition as the interpreter set it.
_init_keep_signals()
version: str = _version().decode()
__version__ = version

# ------------------------------------------------------------------ errors


def _error(status: int) -> Exception:
    """The exception for a failed call: the library's message for this
    thread's last failure, or the status text when there is none."""
    message = _last_error().decode("utf-8", "replace") or _strerror(status).decode()
    if status == _OUT_OF_MEMORY:
        return MemoryError(message)
    return ValueError(message)


def _check(status: int) -> None:
    if status != _OK:
        raise _error(status)


_H = TypeVar("_H", bound="_Handle")


def _made(cls: Type[_H], handle: Optional[int]) -> _H:
    """A new object of `cls` owning `handle`; ValueError with the library's
    message when the export gave nil."""
    if not handle:
        raise _error(_BAD_ARGUMENT)
    return cls._adopt(handle)


def _take_block(call: Any) -> bytes:
    """Runs an export that hands out a block, copies it and frees it."""
    block = _vp()
    length = _i64()
    status = call(ctypes.byref(block), ctypes.byref(length))
    try:
        _check(status)
        return ctypes.string_at(block.value, length.value) if length.value else b""
    finally:
        _buffer_free(block)


# ------------------------------------------------------------------ argument checks

_FLOAT32_MAX = 3.4028234663852886e38
# Doubles from here up round to infinity as floats.
_FLOAT32_OVERFLOW = 3.4028235677973366e38


def _type_name(value: Any) -> str:
    return type(value).__name__


def _integer(value: Any, name: str, low: int, high: int, bits: int) -> int:
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        try:
            value = operator.index(value)
        except TypeError:
            raise TypeError(f"zd: {name} must be an integer, not {_type_name(value)}") from None
    value = int(value)
    if not low <= value <= high:
        raise OverflowError(f"zd: {name} = {value} does not fit a {bits}-bit integer")
    return value


def _int32(value: Any, name: str) -> int:
    return _integer(value, name, -2**31, 2**31 - 1, 32)


def _int64(value: Any, name: str) -> int:
    return _integer(value, name, -2**63, 2**63 - 1, 64)


def _float(value: Any, name: str) -> float:
    """A number for a float argument. NaN and infinities pass (the library
    refuses them by name); finite values beyond float32 do not."""
    if isinstance(value, (str, bytes)) or not isinstance(value, numbers.Real):
        try:
            value = operator.index(value)
        except TypeError:
            raise TypeError(f"zd: {name} must be a number, not {_type_name(value)}") from None
    try:
        number = float(value)
    except OverflowError:
        raise OverflowError(f"zd: {name} = {value} is beyond the 32-bit float range") from None
    if abs(number) >= _FLOAT32_OVERFLOW and number == number and abs(number) != float("inf"):
        raise OverflowError(f"zd: {name} = {number!r} is beyond the 32-bit float range")
    return number


def _flag(value: Any) -> int:
    return 1 if value else 0


def _text(value: Any, name: str) -> bytes:
    """UTF-8 bytes of a str, or bytes as given; TypeError for anything else,
    ValueError for a NUL character (the library reads text up to a NUL)."""
    if isinstance(value, str):
        data = value.encode("utf-8")
    elif isinstance(value, (bytes, bytearray)):
        data = bytes(value)
    else:
        raise TypeError(f"zd: {name} must be str or bytes, not {_type_name(value)}")
    if b"\0" in data:
        raise ValueError(f"zd: {name} contains a NUL character at index {data.index(0)}")
    return data


def _expect(value: Any, cls: Type[_H], name: str) -> _H:
    if not isinstance(value, cls):
        raise TypeError(f"zd: {name} must be a zd.{cls.__name__}, not {_type_name(value)}")
    return value


# ------------------------------------------------------------------ strokes and matrices

_JOINS = {"miter": 0, "round": 1, "bevel": 2}
_CAPS = {"butt": 0, "round": 1, "square": 2}


def _named(table: dict, value: Any, name: str) -> int:
    """The code of a named choice; ValueError naming the choices."""
    code = table.get(value) if isinstance(value, str) else None
    if code is None:
        raise ValueError(f"zd: {name} must be one of {', '.join(map(repr, table))}, "
                         f"not {value!r}")
    return code


def _stroke_style(width: float, join: str, cap: str, miter_limit: float,
                  dash: Optional[Iterable[float]], dash_offset: float) -> Tuple[_Stroke, Any]:
    """A ZdStroke and the dash array it points at (keep both alive during the
    call; the library copies the lengths)."""
    lengths = [_float(value, "dash length") for value in dash] if dash is not None else []
    array = (ctypes.c_float * max(len(lengths), 1))(*lengths)
    style = _Stroke(_float(width, "width"), _named(_JOINS, join, "join"),
                    _named(_CAPS, cap, "cap"), _float(miter_limit, "miter_limit"),
                    ctypes.cast(array, ctypes.POINTER(ctypes.c_float)) if lengths else None,
                    _int32(len(lengths), "dash count"), _float(dash_offset, "dash_offset"))
    return style, array


def _matrix(m: Any) -> Any:
    values = [_float(value, "matrix entry") for value in m]
    if len(values) != 6:
        raise ValueError(f"zd: a matrix has six numbers (a, b, c, d, e, f), not {len(values)}")
    return (ctypes.c_float * 6)(*values)


def multiply(first: Matrix, then: Matrix) -> Matrix:
    """The matrix that applies `first`, then `then`."""
    a1, b1, c1, d1, e1, f1 = first
    a2, b2, c2, d2, e2, f2 = then
    return (a2 * a1 + c2 * b1, b2 * a1 + d2 * b1, a2 * c1 + c2 * d1, b2 * c1 + d2 * d1,
            a2 * e1 + c2 * f1 + e2, b2 * e1 + d2 * f1 + f2)


def translation(x: float, y: float) -> Matrix:
    return (1.0, 0.0, 0.0, 1.0, float(x), float(y))


def scaling(sx: float, sy: Optional[float] = None) -> Matrix:
    return (float(sx), 0.0, 0.0, float(sx if sy is None else sy), 0.0, 0.0)


def rotation(degrees: float, cx: float = 0.0, cy: float = 0.0) -> Matrix:
    """A turn by `degrees` about (cx, cy); positive turns clockwise on screen
    (y down), as SVG's rotate()."""
    radians = math.radians(degrees)
    c, s = math.cos(radians), math.sin(radians)
    return (c, s, -s, c, cx - c * cx + s * cy, cy - s * cx - c * cy)


# ------------------------------------------------------------------ handles


class _Access:
    """Who is using one handle: calls that read share it, a call that writes
    (or close) has it alone."""

    __slots__ = ("condition", "readers", "writing")

    def __init__(self) -> None:
        self.condition = threading.Condition(threading.Lock())
        self.readers = 0
        self.writing = False

    def acquire(self, write: bool) -> None:
        with self.condition:
            if write:
                self.condition.wait_for(lambda: not self.writing and self.readers == 0)
                self.writing = True
            else:
                self.condition.wait_for(lambda: not self.writing)
                self.readers += 1

    def release(self, write: bool) -> None:
        with self.condition:
            if write:
                self.writing = False
            else:
                self.readers -= 1
            self.condition.notify_all()


class _using:
    """Holds several handles for one call: `with _using((a, False), (b, True))
    as (ha, hb)` reads a and writes b. Handles are taken in one global order,
    so calls holding several never wait on each other in a circle; one object
    named twice is taken once (for writing if either use writes)."""

    __slots__ = ("uses", "held")

    def __init__(self, *uses: Tuple["_Handle", bool]) -> None:
        self.uses = uses
        self.held: List[Tuple["_Handle", bool]] = []

    def __enter__(self) -> Tuple[int, ...]:
        writes = {}
        for obj, write in self.uses:
            writes[id(obj)] = (obj, writes.get(id(obj), (obj, False))[1] or write)
        try:
            for key in sorted(writes):
                obj, write = writes[key]
                obj._access.acquire(write)
                self.held.append((obj, write))
                if obj._handle is None:
                    raise ValueError(f"zd: {type(obj).__name__} used after close()")
        except BaseException:
            self.__exit__()
            raise
        return tuple(obj._handle for obj, _ in self.uses)  # type: ignore[misc]

    def __exit__(self, *exc: Any) -> None:
        while self.held:
            obj, write = self.held.pop()
            obj._access.release(write)


class _one(_using):
    """_using for one handle; gives the handle itself."""

    def __enter__(self) -> int:  # type: ignore[override]
        return super().__enter__()[0]


class _Handle:
    """Owns one reference to a library handle (see the module's notes on
    handles and threads)."""

    _free: Any = None
    _kind = "handle"

    def __init__(self) -> None:
        # Objects are made from handles only by _made / _adopt: a raw number
        # taken for a handle would be followed into memory.
        raise TypeError(f"zd: use a constructor of zd.{type(self).__name__}")

    @classmethod
    def _adopt(cls: Type[_H], handle: int) -> _H:
        obj = cls.__new__(cls)
        obj._start(handle)
        return obj

    def _start(self, handle: int) -> None:
        self._access = _Access()
        self._handle: Optional[int] = handle

    def _reading(self) -> _one:
        return _one((self, False))

    def _writing(self) -> _one:
        return _one((self, True))

    @property
    def handle(self) -> int:
        """The raw handle, for calls made directly through `zd.library`."""
        handle = getattr(self, "_handle", None)
        if not handle:
            raise ValueError(f"zd: {type(self).__name__} used after close()")
        return handle

    @property
    def closed(self) -> bool:
        return getattr(self, "_handle", None) is None

    def _live_views(self) -> bool:
        return False

    def close(self) -> None:
        """Gives the handle back. Waits for calls using it on other threads;
        closing twice is harmless."""
        if getattr(self, "_access", None) is None:
            return
        self._access.acquire(True)
        try:
            if self._handle is None:
                return
            if self._live_views():
                raise BufferError(f"zd: cannot close the {self._kind} while views of its "
                                  "pixels exist (pixels, numpy arrays); release them first")
            handle, self._handle = self._handle, None
            type(self)._free(handle)
        finally:
            self._access.release(True)

    def __enter__(self: _H) -> _H:
        return self

    def __exit__(self, exc_type: Any, *exc: Any) -> None:
        if exc_type is not None and self._live_views():
            return  # do not hide the exception; the views keep the object alive
        self.close()

    def __del__(self) -> None:
        # Views hold their object, so none is left when it is collected;
        # during interpreter shutdown the handle may be left to the process.
        try:
            if not self._live_views():
                self.close()
        except Exception:
            pass


# ------------------------------------------------------------------ paths


class Path(_Handle):
    """A vector path: a list of drawing commands. Builder methods return self.

    Reads (share the path): str(), flatten, bounds, copy, commands, len,
    current, start, stroke, filling or drawing with it, to_svg. Writes
    (alone): the builders, transform and its helpers, add_path (onto this
    path; the source is read), close."""

    _free = staticmethod(_path_free)
    _kind = "path"

    def __init__(self) -> None:
        handle = _path_new()
        if not handle:
            raise _error(_BAD_ARGUMENT)
        self._start(handle)

    @classmethod
    def parse(cls, d: Text) -> "Path":
        """Parses SVG path data (str or bytes); ValueError says what and where
        when it does not parse."""
        data = _text(d, "path data")
        out = _vp()
        _check(_parse_d(data, ctypes.byref(out)))
        return cls._adopt(out.value)  # type: ignore[arg-type]

    def copy(self) -> "Path":
        with self._reading() as h:
            return _made(Path, _path_copy(h))

    def _build(self, function: Any, *args: Any) -> "Path":
        with self._writing() as h:
            _check(function(h, *args))
        return self

    def move_to(self, x: float, y: float) -> "Path":
        return self._build(_move_to, _float(x, "x"), _float(y, "y"))

    def line_to(self, x: float, y: float) -> "Path":
        return self._build(_line_to, _float(x, "x"), _float(y, "y"))

    def bezier_curve_to(self, c1x: float, c1y: float, c2x: float, c2y: float, x: float,
                        y: float) -> "Path":
        return self._build(_bezier, _float(c1x, "c1x"), _float(c1y, "c1y"), _float(c2x, "c2x"),
                           _float(c2y, "c2y"), _float(x, "x"), _float(y, "y"))

    def quadratic_curve_to(self, cx: float, cy: float, x: float, y: float) -> "Path":
        return self._build(_quadratic, _float(cx, "cx"), _float(cy, "cy"), _float(x, "x"),
                           _float(y, "y"))

    def elliptical_arc_to(self, rx: float, ry: float, rotation: float, large_arc: bool,
                          sweep: bool, x: float, y: float) -> "Path":
        return self._build(_elliptical, _float(rx, "rx"), _float(ry, "ry"),
                           _float(rotation, "rotation"), _flag(large_arc), _flag(sweep),
                           _float(x, "x"), _float(y, "y"))

    def close_path(self) -> "Path":
        return self._build(_close)

    def rect(self, x: float, y: float, w: float, h: float, clockwise: bool = True) -> "Path":
        return self._build(_rect, _flag(clockwise), _float(x, "x"), _float(y, "y"),
                           _float(w, "w"), _float(h, "h"))

    def rounded_rect(self, x: float, y: float, w: float, h: float,
                     radii: Union[float, Sequence[float]], clockwise: bool = True) -> "Path":
        """`radii`: one radius, or four (top left, top right, bottom right,
        bottom left)."""
        if isinstance(radii, (tuple, list)):
            if len(radii) != 4:
                raise ValueError(f"zd: radii must be one number or four, not {len(radii)}")
            r = tuple(_float(v, "radius") for v in radii)
        else:
            r = (_float(radii, "radius"),) * 4
        return self._build(_rounded, _flag(clockwise), _float(x, "x"), _float(y, "y"),
                           _float(w, "w"), _float(h, "h"), *r)

    def ellipse(self, cx: float, cy: float, rx: float, ry: float) -> "Path":
        return self._build(_ellipse, _float(cx, "cx"), _float(cy, "cy"), _float(rx, "rx"),
                           _float(ry, "ry"))

    def circle(self, cx: float, cy: float, r: float) -> "Path":
        return self._build(_circle, _float(cx, "cx"), _float(cy, "cy"), _float(r, "r"))

    def polygon(self, n: int, cx: float, cy: float, r: float) -> "Path":
        return self._build(_polygon, _int32(n, "n"), _float(cx, "cx"), _float(cy, "cy"),
                           _float(r, "r"))

    def arc(self, cx: float, cy: float, r: float, start_angle: float, end_angle: float,
            counterclockwise: bool = False) -> "Path":
        return self._build(_arc, _flag(counterclockwise), _float(cx, "cx"), _float(cy, "cy"),
                           _float(r, "r"), _float(start_angle, "start_angle"),
                           _float(end_angle, "end_angle"))

    def arc_to(self, x1: float, y1: float, x2: float, y2: float, r: float) -> "Path":
        return self._build(_arc_to, _float(x1, "x1"), _float(y1, "y1"), _float(x2, "x2"),
                           _float(y2, "y2"), _float(r, "r"))

    def add_path(self, other: "Path") -> "Path":
        """Appends a copy of every command of `other` (which may be this path)."""
        _expect(other, Path, "other")
        with _using((self, True), (other, False)) as (h, source):
            _check(_add_path(h, source))
        return self

    def _point(self, function: Any) -> Tuple[float, float]:
        xy = (ctypes.c_float * 2)()
        with self._reading() as h:
            _check(function(h, xy))
        return xy[0], xy[1]

    @property
    def current(self) -> Tuple[float, float]:
        return self._point(_current)

    @property
    def start(self) -> Tuple[float, float]:
        return self._point(_start)

    def __len__(self) -> int:
        with self._reading() as h:
            return int(_count(h))

    def commands(self) -> List[Tuple[int, Tuple[float, ...]]]:
        """The commands as (kind, parameters) pairs."""
        result = []
        with self._reading() as h:
            for index in range(int(_count(h))):
                command = _Command()
                _check(_command_get(h, index, ctypes.byref(command)))
                count = _parameter_count(command.kind)
                result.append((command.kind, tuple(command.params[:count])))
        return result

    def __str__(self) -> str:
        with self._reading() as h:
            return _take_block(lambda out, n: _to_d(h, out, n)).decode()

    def __repr__(self) -> str:
        if self.closed:
            return "<zd.Path (closed)>"
        return f"zd.Path.parse({str(self)!r})"

    def flatten(self, tolerance: float = 0.0) -> List[Segment]:
        """Line segments (x0, y0, x1, y1) within `tolerance` (<= 0 means 0.5)."""
        t = _float(tolerance, "tolerance")
        count = _i64()
        with self._reading() as h:
            _check(_flatten(h, None, 0, ctypes.byref(count), t))
            array = (ctypes.c_float * (4 * count.value))()
            _check(_flatten(h, array, count.value, ctypes.byref(count), t))
        return [tuple(array[i:i + 4]) for i in range(0, 4 * count.value, 4)]  # type: ignore

    def stroke(self, width: float, join: str = "miter", cap: str = "butt",
               miter_limit: float = 4.0, dash: Optional[Iterable[float]] = None,
               dash_offset: float = 0.0, tolerance: float = 0.5) -> "Path":
        """A new path whose non-zero fill is the area this path's stroke paints:
        joins miter, round or bevel; caps butt, round or square; `dash` the
        on, off, ... lengths."""
        style, _array = _stroke_style(width, join, cap, miter_limit, dash, dash_offset)
        t = _float(tolerance, "tolerance")
        out = _vp()
        with self._reading() as h:
            _check(_path_stroke(h, ctypes.byref(style), t, ctypes.byref(out)))
        return _made(Path, out.value)

    def transform(self, a: float, b: float, c: float, d: float, e: float, f: float) -> "Path":
        """Maps the path in place: x' = a x + c y + e, y' = b x + d y + f."""
        matrix = _matrix((a, b, c, d, e, f))
        with self._writing() as h:
            _check(_path_transform(h, matrix))
        return self

    def translate(self, x: float, y: float) -> "Path":
        return self.transform(*translation(x, y))

    def scale(self, sx: float, sy: Optional[float] = None) -> "Path":
        return self.transform(*scaling(sx, sy))

    def rotate(self, degrees: float, cx: float = 0.0, cy: float = 0.0) -> "Path":
        """Turns the path by `degrees` about (cx, cy), clockwise on screen for
        positive angles."""
        return self.transform(*rotation(degrees, cx, cy))

    def bounds(self, tolerance: float = 0.0) -> Tuple[float, float, float, float]:
        """(min_x, min_y, width, height) of the flattened path."""
        segments = self.flatten(tolerance)
        flat = (ctypes.c_float * (4 * len(segments)))(*[v for s in segments for v in s])
        out = (ctypes.c_float * 4)()
        _check(_bounds(flat, len(segments), out))
        return out[0], out[1], out[2], out[3]


# ------------------------------------------------------------------ colours


class Color(_Handle):
    """An immutable colour in one of the library's colour spaces. Every use
    reads it, so it is shared freely."""

    _free = staticmethod(_color_free)
    _kind = "colour"
    _HUE_METHODS = {"shorter": 0, "longer": 1, "increasing": 2, "decreasing": 3}
    _DELTA_E_METHODS = {"ok": 0, "2000": 1, "76": 2}
    _GAMUT_METHODS = {"css": 0, "clip": 1}

    @staticmethod
    def _choice(table: dict, value: Any, name: str) -> int:
        """The code of a named choice; ValueError naming the choices."""
        code = table.get(str(value).lower()) if isinstance(value, (str, int)) else None
        if code is None:
            raise ValueError(f"zd: {name} must be one of {', '.join(map(repr, table))}, "
                             f"not {value!r}")
        return code

    @classmethod
    def parse(cls, text: Text) -> "Color":
        """Any CSS colour: named colours, hex, rgb(), hsl(), hwb(), lab(), lch(),
        oklab(), oklch(), color() and color-mix(). The colour keeps the space it
        was written in."""
        return _made(cls, _color_parse_css(_text(text, "colour text")))

    @classmethod
    def rgba(cls, r: float, g: float, b: float, a: float = 1.0) -> "Color":
        """An sRGB colour from four numbers in [0, 1]."""
        return _made(cls, _color_rgba(_float(r, "r"), _float(g, "g"), _float(b, "b"),
                                      _float(a, "a")))

    @classmethod
    def new(cls, space: Text, components: Iterable[float], alpha: float = 1.0) -> "Color":
        """A colour of a registered space ("srgb", "p3", "oklch", "cmyk", ...) from
        as many components as the space has."""
        values = [_float(value, "component") for value in components]
        if len(values) > 4:
            raise ValueError(f"zd: a colour has at most 4 components, not {len(values)}")
        array = (ctypes.c_float * max(len(values), 1))(*values)
        return _made(cls, _color_new(_text(space, "space"), array, len(values),
                                     _float(alpha, "alpha")))

    @property
    def space(self) -> str:
        """The registry name of the colour's space."""
        with self._reading() as h:
            name = _color_space(h)
        if name is None:
            raise _error(_BAD_ARGUMENT)
        return name.decode()

    def _components(self) -> Tuple[Tuple[float, ...], float]:
        values = (ctypes.c_float * 4)()
        count = _i32()
        alpha = ctypes.c_float()
        with self._reading() as h:
            _check(_color_components(h, values, ctypes.byref(count), ctypes.byref(alpha)))
        return tuple(values[:count.value]), alpha.value

    @property
    def components(self) -> Tuple[float, ...]:
        """The components (three, or four for CMYK); a `none` component reads 0."""
        return self._components()[0]

    @property
    def alpha(self) -> float:
        return self._components()[1]

    def convert(self, space: Text) -> "Color":
        """The colour in another space, without gamut mapping."""
        name = _text(space, "space")
        with self._reading() as h:
            return _made(Color, _color_convert(h, name))

    def gamut_map(self, space: Text, method: str = "css") -> "Color":
        """The colour in `space`, brought into its ranges by chroma reduction
        ("css") or by clamping each component ("clip")."""
        name = _text(space, "space")
        code = self._choice(self._GAMUT_METHODS, method, "method")
        with self._reading() as h:
            return _made(Color, _color_gamut_map(h, name, code))

    def mix(self, other: "Color", t: float = 0.5, space: Text = "oklab",
            hue: str = "shorter") -> "Color":
        """As CSS color-mix(): `t` is the share of `other`."""
        _expect(other, Color, "other")
        share, name = _float(t, "t"), _text(space, "space")
        code = self._choice(self._HUE_METHODS, hue, "hue")
        out = _vp()
        with _using((self, False), (other, False)) as (a, b):
            _check(_color_mix(a, b, share, name, code, ctypes.byref(out)))
        return _made(Color, out.value)

    def delta_e(self, other: "Color", method: str = "ok") -> float:
        """Colour difference: "ok" (deltaE OK), "2000" (CIEDE2000) or "76"."""
        _expect(other, Color, "other")
        code = self._choice(self._DELTA_E_METHODS, method, "method")
        out = ctypes.c_double()
        with _using((self, False), (other, False)) as (a, b):
            _check(_color_delta_e(a, b, code, ctypes.byref(out)))
        return out.value

    def to_css(self) -> str:
        """CSS text in the colour's own space; Color.parse reads it back exactly."""
        with self._reading() as h:
            return _take_block(lambda out, n: _color_to_css(h, out, n)).decode()

    def __str__(self) -> str:
        """SVG colour text of the colour mapped into sRGB: #RRGGBB or #RRGGBBAA."""
        with self._reading() as h:
            return _take_block(lambda out, n: _color_to_svg(h, out, n)).decode()

    def __repr__(self) -> str:
        if self.closed:
            return "<zd.Color (closed)>"
        return f"zd.Color.parse({self.to_css()!r})"


# ------------------------------------------------------------------ images

# Encoders by name (zd_image_encode's numbering) and by file extension.
_FORMATS = {"png": 0, "jpeg": 1, "jpg": 1, "bmp": 2, "qoi": 3, "pam": 4, "pnm": 4, "tga": 5}
_EXTENSIONS = {".png": "png", ".jpg": "jpeg", ".jpeg": "jpeg", ".bmp": "bmp", ".qoi": "qoi",
               ".pam": "pam", ".pnm": "pam", ".tga": "tga"}


def _as_color(color: Any) -> Tuple["Color", bool]:
    """A Color for `color` (a Color or any CSS colour text), and whether it
    was made here (and is to be closed after the call)."""
    if isinstance(color, Color):
        return color, False
    if isinstance(color, (str, bytes, bytearray)):
        return Color.parse(color), True
    raise TypeError(f"zd: color must be a zd.Color or colour text, not {_type_name(color)}")


# The coverage models of zd_paint_set_antialias.
_ANTIALIAS = {"scanlines": 0, "area": 1, "none": 2}


# ---------------------------------------------------------------- gradients
_SPREADS = {"pad": 0, "repeat": 1, "reflect": 2}
_HUES = {"shorter": 0, "longer": 1, "increasing": 2, "decreasing": 3}


class _Gradient:
    """A gradient source: stops (offset, colour) along a parameter, spread
    beyond [0, 1], interpolated in a colour space. Usable wherever a colour
    is taken by Paint, Image.fill and Image.stroke. The gradient holds plain
    values; it is applied to a paint when used."""

    _kind = ""

    def __init__(self, stops: Iterable[Tuple[float, Any]] = (), space: str = "srgb",
                 hue: str = "shorter", spread: str = "pad",
                 transform: Optional[Matrix] = None) -> None:
        self.stops = [(_float(offset, "stop offset"), color) for offset, color in stops]
        self.space = space
        self.hue = hue
        self.spread = spread
        self.transform = transform

    def _geometry(self, h: int) -> None:
        raise NotImplementedError

    def _apply(self, paint: "Paint") -> None:
        """Makes `paint` this gradient (its stops replaced)."""
        spread = _named(_SPREADS, self.spread, "spread")
        hue = _named(_HUES, self.hue, "hue")
        space = _text(self.space, "space")
        matrix = _matrix(self.transform if self.transform is not None else (1, 0, 0, 1, 0, 0))
        colours = [_as_color(color) for _, color in self.stops]
        try:
            with _using((paint, True), *[(value, False) for value, _ in colours]) as handles:
                h, stops = handles[0], handles[1:]
                _check(_paint_set_interpolation(h, space, hue))
                _check(_paint_set_spread(h, spread))
                _check(_paint_set_gradient_transform(h, matrix))
                _check(_paint_clear_stops(h))
                for (offset, _), c in zip(self.stops, stops):
                    _check(_paint_add_stop(h, offset, c))
                self._geometry(h)
        finally:
            for value, owned in colours:
                if owned:
                    value.close()

    def __repr__(self) -> str:
        return f"zd.{type(self).__name__}({self._describe()}, stops={self.stops!r}, " \
               f"space={self.space!r}, hue={self.hue!r}, spread={self.spread!r})"


class LinearGradient(_Gradient):
    """Colours along the line from (x0, y0) to (x1, y1): t = 0 at the start,
    1 at the end, constant across the line."""

    def __init__(self, x0: float, y0: float, x1: float, y1: float, **options: Any) -> None:
        super().__init__(**options)
        self.points = tuple(_float(v, n) for v, n in ((x0, "x0"), (y0, "y0"), (x1, "x1"), (y1, "y1")))

    def _geometry(self, h: int) -> None:
        _check(_paint_set_linear(h, *self.points))

    def _describe(self) -> str:
        return ", ".join(repr(v) for v in self.points)


class RadialGradient(_Gradient):
    """Colours along the circles between (x0, y0, r0) at t = 0 and (x1, y1,
    r1) at t = 1, as a canvas's two-circle radial gradient; points on no
    such circle are left as they are."""

    def __init__(self, x0: float, y0: float, r0: float, x1: float, y1: float, r1: float,
                 **options: Any) -> None:
        super().__init__(**options)
        self.circles = tuple(_float(v, n) for v, n in ((x0, "x0"), (y0, "y0"), (r0, "r0"),
                                                        (x1, "x1"), (y1, "y1"), (r1, "r1")))

    def _geometry(self, h: int) -> None:
        _check(_paint_set_radial(h, *self.circles))

    def _describe(self) -> str:
        return ", ".join(repr(v) for v in self.circles)


class ConicGradient(_Gradient):
    """Colours around (cx, cy): t is the angle from `start_angle` (radians,
    0 along +x, turning towards +y) as a fraction of a full turn."""

    def __init__(self, cx: float, cy: float, start_angle: float = 0.0, **options: Any) -> None:
        super().__init__(**options)
        self.centre = (_float(cx, "cx"), _float(cy, "cy"))
        self.start_angle = _float(start_angle, "start_angle")

    def _geometry(self, h: int) -> None:
        _check(_paint_set_conic(h, self.centre[0], self.centre[1], self.start_angle))

    def _describe(self) -> str:
        return f"{self.centre[0]!r}, {self.centre[1]!r}, {self.start_angle!r}"


class Paint(_Handle):
    """How Image.draw paints a path: a colour, fill or stroke, blending and
    tolerance. Paint() fills with opaque black by the non-zero rule, blended
    over the pixels, at tolerance 0.5, with the fill's sample-line coverage
    (antialias="area" for the exact area, "none" for aliased); `stroke=W`
    makes it stroke with a pen W wide. Drawing reads the paint; the setters write it."""

    _free = staticmethod(_paint_free)
    _kind = "paint"

    def __init__(self, color: Any = None, *, even_odd: bool = False, overwrite: bool = False,
                 tolerance: float = 0.5, stroke: Optional[float] = None, join: str = "miter",
                 cap: str = "butt", miter_limit: float = 4.0,
                 dash: Optional[Iterable[float]] = None, dash_offset: float = 0.0,
                 antialias: str = "scanlines") -> None:
        handle = _paint_new()
        if not handle:
            raise _error(_BAD_ARGUMENT)
        self._start(handle)
        if color is not None:
            self.set_color(color)
        self.set_fill(even_odd)
        if stroke is not None:
            self.set_stroke(stroke, join, cap, miter_limit, dash, dash_offset)
        self.set_mode(overwrite)
        self.set_tolerance(tolerance)
        self.set_antialias(antialias)

    def copy(self) -> "Paint":
        with self._reading() as h:
            return _made(Paint, _paint_copy(h))

    def set_color(self, color: Any) -> "Paint":
        """The colour (a Color, or colour text) every covered pixel gets, or
        a LinearGradient, RadialGradient or ConicGradient."""
        if isinstance(color, _Gradient):
            color._apply(self)
            return self
        value, owned = _as_color(color)
        try:
            with _using((self, True), (value, False)) as (h, c):
                _check(_paint_set_color(h, c))
        finally:
            if owned:
                value.close()
        return self

    def set_fill(self, even_odd: bool = False) -> "Paint":
        """The paint fills (by the even-odd rule when asked, non-zero otherwise)."""
        with self._writing() as h:
            _check(_paint_set_fill(h, _flag(even_odd)))
        return self

    def set_stroke(self, width: float, join: str = "miter", cap: str = "butt",
                   miter_limit: float = 4.0, dash: Optional[Iterable[float]] = None,
                   dash_offset: float = 0.0) -> "Paint":
        """The paint strokes, as Path.stroke describes."""
        style, _array = _stroke_style(width, join, cap, miter_limit, dash, dash_offset)
        with self._writing() as h:
            _check(_paint_set_stroke(h, ctypes.byref(style)))
        return self

    def set_mode(self, overwrite: bool = False) -> "Paint":
        """Blend over the pixels, or replace the covered ones."""
        with self._writing() as h:
            _check(_paint_set_mode(h, _flag(overwrite)))
        return self

    def set_tolerance(self, tolerance: float) -> "Paint":
        """Flattening tolerance in image pixels (<= 0 means 0.5)."""
        t = _float(tolerance, "tolerance")
        with self._writing() as h:
            _check(_paint_set_tolerance(h, t))
        return self

    def set_antialias(self, antialias: str) -> "Paint":
        """How the covered part of each pixel is measured: "scanlines" (four
        sample lines per row, the bytes of Image.fill; the default), "area"
        (the exact covered area) or "none" (aliased: the pixel centre)."""
        if not isinstance(antialias, str) or antialias not in _ANTIALIAS:
            raise ValueError(f"zd: antialias must be one of {', '.join(_ANTIALIAS)}, "
                             f"not {antialias!r}")
        with self._writing() as h:
            _check(_paint_set_antialias(h, _ANTIALIAS[antialias]))
        return self


def _format_code(format: Any) -> int:
    if not isinstance(format, str):
        raise TypeError(f"zd: format must be str, not {_type_name(format)}")
    code = _FORMATS.get(format.lower())
    if code is None:
        raise ValueError(f"zd: unknown image format {format!r}; "
                         f"known: {', '.join(sorted(set(_FORMATS)))}")
    return code


class Image(_Handle):
    """A width x height RGBA image (8 bits per channel, straight alpha, sRGB).

    Reads (share the image): encode, png, save, width, height, views of the
    pixels. Writes (alone): fill, close. The bytes seen through views may
    also be changed through them, without the library's knowledge."""

    _free = staticmethod(_image_free)
    _kind = "image"

    def __init__(self, width: int, height: int) -> None:
        w, h = _int32(width, "width"), _int32(height, "height")
        handle = _image_new(w, h)
        if not handle:
            raise _error(_BAD_ARGUMENT)
        self._start(handle)

    def _start(self, handle: int) -> None:
        super()._start(handle)
        # The size never changes; views need it after close() too.
        self._width = int(_image_width(handle))
        self._height = int(_image_height(handle))
        self._views: List[weakref.ref] = []
        self._views_lock = threading.Lock()  # views are made on several threads at once

    @classmethod
    def from_bytes(cls, data: Any, width: int, height: int) -> "Image":
        """A new image holding a copy of `data`: width * height * 4 bytes of
        RGBA rows, top to bottom (anything with the buffer protocol)."""
        image = cls(width, height)
        try:
            source = memoryview(data)
        except TypeError:
            image.close()
            raise TypeError(f"zd: data must support the buffer protocol, not "
                            f"{_type_name(data)}") from None
        with source:
            if source.nbytes != image._width * image._height * 4:
                image.close()
                raise ValueError(f"zd: {image._width}x{image._height} RGBA needs "
                                 f"{image._width * image._height * 4} bytes, not {source.nbytes}")
            with image._writing() as h:
                address, _ = image._pixel_address(h)
                ctypes.memmove(address, source.tobytes(), source.nbytes)
        return image

    @classmethod
    def from_array(cls, array: Any) -> "Image":
        """A new image holding a copy of a (height, width, 4) array of bytes
        (a numpy uint8 array, or anything with that buffer shape)."""
        try:
            view = memoryview(array)
        except TypeError:
            raise TypeError(f"zd: array must support the buffer protocol, not "
                            f"{_type_name(array)}") from None
        with view:
            if view.ndim != 3 or view.shape[2] != 4 or view.format not in ("B", "c"):
                raise ValueError(f"zd: array must be (height, width, 4) bytes, not shape "
                                 f"{view.shape} of format {view.format!r}")
            height, width = view.shape[0], view.shape[1]
            return cls.from_bytes(view.tobytes(), width, height)

    @property
    def width(self) -> int:
        return self._width

    @property
    def height(self) -> int:
        return self._height

    def _pixel_address(self, h: int) -> Tuple[int, int]:
        data = _u8p()
        length = _i64()
        _check(_image_pixels(h, ctypes.byref(data), ctypes.byref(length)))
        return ctypes.cast(data, ctypes.c_void_p).value or 0, length.value

    def _export(self) -> memoryview:
        """A new writable view of the pixels that keeps the image alive and
        is counted until it (and every view made from it) is gone."""
        with self._reading() as h:
            address, length = self._pixel_address(h)
            array = (ctypes.c_uint8 * length).from_address(address)
            array._zd_image = self  # type: ignore[attr-defined]
            with self._views_lock:
                self._views = [view for view in self._views if view() is not None]
                self._views.append(weakref.ref(array))
            return memoryview(array).cast("B")

    def _live_views(self) -> bool:
        lock = getattr(self, "_views_lock", None)
        if lock is None:
            return False
        with lock:
            return any(view() is not None for view in self._views)

    @property
    def pixels(self) -> memoryview:
        """The image's own bytes, without copying: RGBA rows top to bottom,
        flat. The view keeps the image alive."""
        return self._export()

    @property
    def __array_interface__(self) -> dict:
        """numpy.asarray(image): a zero-copy (height, width, 4) uint8 array."""
        return {"version": 3, "shape": (self._height, self._width, 4), "typestr": "|u1",
                "data": self._export()}

    def fill(self, path: Path, color: Color, even_odd: bool = False, overwrite: bool = False,
             tolerance: float = 0.0) -> "Image":
        """Fills `path` with `color` (a Color or a gradient), anti-aliased
        (tolerance <= 0 means 0.5)."""
        _expect(path, Path, "path")
        if isinstance(color, _Gradient):
            with Paint(color, even_odd=even_odd, overwrite=overwrite, tolerance=tolerance) as paint:
                return self.draw(path, paint)
        _expect(color, Color, "color")
        t = _float(tolerance, "tolerance")
        with _using((self, True), (path, False), (color, False)) as (h, p, c):
            _check(_fill_path(h, p, c, _flag(even_odd), _flag(overwrite), t))
        return self

    def draw(self, path: Path, paint: Paint, transform: Optional[Matrix] = None) -> "Image":
        """Draws `path` with `paint`; `transform` (a, b, c, d, e, f) maps path
        coordinates into the image (zd.translation, zd.rotation, ... make one)."""
        _expect(path, Path, "path")
        _expect(paint, Paint, "paint")
        matrix = _matrix(transform) if transform is not None else None
        with _using((self, True), (path, False), (paint, False)) as (h, p, q):
            _check(_draw_path(h, p, q, matrix))
        return self

    def stroke(self, path: Path, color: Any, width: float, join: str = "miter",
               cap: str = "butt", miter_limit: float = 4.0,
               dash: Optional[Iterable[float]] = None, dash_offset: float = 0.0,
               overwrite: bool = False, tolerance: float = 0.5,
               transform: Optional[Matrix] = None) -> "Image":
        """Strokes `path` with a pen `width` wide in `color` (a Color, colour
        text or a gradient)."""
        with Paint(color, overwrite=overwrite, tolerance=tolerance, stroke=width, join=join,
                   cap=cap, miter_limit=miter_limit, dash=dash, dash_offset=dash_offset) as paint:
            return self.draw(path, paint, transform)

    def encode(self, format: str = "png", quality: int = 90) -> bytes:
        """The image as a file in `format`: png, jpeg (jpg), bmp, qoi, pam
        (pnm) or tga. `quality` (1..100) is read by JPEG only; JPEG keeps no
        alpha."""
        code = _format_code(format)
        q = _int32(quality, "quality")
        with self._reading() as h:
            return _take_block(lambda out, n: _encode(h, code, q, out, n))

    def png(self) -> bytes:
        with self._reading() as h:
            return _take_block(lambda out, n: _encode_png(h, out, n))

    def _repr_png_(self) -> bytes:
        """Lets Jupyter show the image."""
        return self.png()

    def save(self, filename: PathLike, format: Optional[str] = None, quality: int = 90) -> None:
        """Writes the image to `filename`, in `format` or else by the file's
        extension (refusing one it does not know). The file is encoded first
        and written through a temporary file renamed over `filename`, so a
        failure leaves no partial file and an existing one as it was."""
        try:
            name = os.fspath(filename)
        except TypeError:
            raise TypeError(f"zd: filename must be str, bytes or os.PathLike, not "
                            f"{_type_name(filename)}") from None
        if format is None:
            text_name = os.fsdecode(name)
            extension = os.path.splitext(text_name)[1].lower()
            format = _EXTENSIONS.get(extension)
            if format is None:
                raise ValueError(f"zd: no image format for the extension {extension!r} of "
                                 f"{text_name!r}; name one with format= "
                                 f"({', '.join(sorted(set(_EXTENSIONS.values())))})")
        data = self.encode(format, quality)
        _write_whole(name, data)

    def to_pil(self) -> Any:
        """A Pillow image (mode RGBA) holding a copy of the pixels."""
        try:
            from PIL import Image as PILImage
        except ImportError as error:
            raise ImportError("zd: Image.to_pil needs Pillow (pip install Pillow, or Debian's "
                              "python3-pil)") from error
        view = self._export()
        try:
            return PILImage.frombytes("RGBA", (self._width, self._height), view.tobytes())
        finally:
            view.release()

    def __repr__(self) -> str:
        state = " (closed)" if self.closed else ""
        return f"<zd.Image {self._width}x{self._height}{state}>"


def _write_whole(name: Union[str, bytes], data: bytes) -> None:
    """Writes `data` to the file `name` whole or not at all: into a temporary
    file beside it, renamed over it once complete. A name that exists and is
    no regular file (a device, a pipe) is written directly: renaming over it
    would replace it."""
    try:
        existing = os.stat(name)
    except OSError:
        existing = None
    if existing is not None and not _is_regular(existing.st_mode):
        with open(name, "wb") as f:
            f.write(data)
        return
    directory, base = os.path.split(name)
    if isinstance(base, bytes):
        prefix: Any = b"." + base + b"."
        directory = directory or b"."
    else:
        prefix = "." + base + "."
        directory = directory or "."
    fd, temporary = tempfile.mkstemp(prefix=prefix, dir=directory)
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
            f.flush()
            os.fsync(f.fileno())
        mask = os.umask(0)
        os.umask(mask)
        os.chmod(temporary, 0o666 & ~mask)
        os.replace(temporary, name)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise


def _is_regular(mode: int) -> bool:
    import stat
    return stat.S_ISREG(mode)


# ------------------------------------------------------------------ documents


def to_svg(path: Path, color: Color, width: int, height: int, even_odd: bool = False) -> str:
    """A one-path SVG document of the path filled with the colour; with
    `even_odd` the document keeps the even-odd fill rule (fill-rule="evenodd"),
    so renderers leave the holes Image.fill(..., even_odd=True) leaves."""
    _expect(path, Path, "path")
    _expect(color, Color, "color")
    w, h = _int32(width, "width"), _int32(height, "height")
    rule = _flag(even_odd)
    with _using((path, False), (color, False)) as (p, c):
        return _take_block(
            lambda out, n: _path_to_svg_rule(p, c, rule, w, h, out, n)).decode()


# ------------------------------------------------------------ SVG documents
#
# The SVG document renderer is a component beside the library (render/ in the
# source tree), built as libzdrender.so.1 when expat is found. It is loaded on
# first use: through ZD_RENDER_LIBRARY (a built libzdrender.so.1), from the
# directory of the loaded libzd (a build tree or this package), or from the
# system. It links the same libzd.so.1, so its images are ordinary Images.


class SvgWarning(UserWarning):
    """Content of an SVG document that render_svg skipped ("unsupported
    element <text> skipped (line 3)"), or a limit it applied."""


class _RenderOptions(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int32), ("height", ctypes.c_int32),
                ("scale", ctypes.c_float), ("background", ctypes.c_void_p),
                ("max_elements", ctypes.c_int32)]


class _RenderReport(ctypes.Structure):
    _fields_ = [("unsupported", ctypes.c_int32), ("line", ctypes.c_int32),
                ("error", ctypes.c_char * 256)]


_RenderWarn = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_char_p)
_renderer: Any = None
_renderer_lock = threading.Lock()


def _load_renderer() -> Any:
    global _renderer
    with _renderer_lock:
        if _renderer is not None:
            return _renderer
        candidates = []
        explicit = os.environ.get("ZD_RENDER_LIBRARY")
        if explicit:
            candidates.append(explicit)
        beside = os.path.dirname(getattr(library, "_name", "") or "")
        if beside:
            candidates.append(os.path.join(beside, "libzdrender.so.1"))
        candidates += [os.path.join(_PACKAGE_DIRECTORY, "libzdrender.so.1"), "libzdrender.so.1"]
        for name in candidates:
            try:
                renderer = ctypes.CDLL(name)
            except OSError:
                continue
            function = renderer.zdr_render_svg
            function.restype = _vp
            function.argtypes = [ctypes.c_char_p, ctypes.c_size_t, ctypes.POINTER(_RenderOptions),
                                 _RenderWarn, _vp, ctypes.POINTER(_RenderReport)]
            _renderer = function
            return function
        raise RuntimeError("zd: libzdrender.so.1 (the SVG document renderer) was not found; "
                           "build zd with expat (libexpat1-dev) or set ZD_RENDER_LIBRARY")


def _optional_size(value: Any, name: str) -> int:
    if value is None:
        return 0
    size = _int32(value, name)
    if size < 1:
        raise ValueError(f"render_svg: {name} must be >= 1 (got {size})")
    return size


def render_svg(text_or_path: Union[Text, "os.PathLike[str]", "os.PathLike[bytes]"],
               width: Optional[int] = None, height: Optional[int] = None) -> Image:
    """Renders an SVG document into a new Image.

    `text_or_path` is the document itself (str or bytes starting, after
    blanks, with "<") or the name of a file holding it. The size is the
    document's (width, height, viewBox); `width` or `height` scales it to that
    many pixels, keeping the aspect ratio, and both give the exact size.
    Skipped content (text, filters, masks, ...) is reported once per kind as
    an SvgWarning. A document that is not well-formed XML, has no svg root or
    no size raises ValueError naming the line ("line 3: not well-formed XML:
    mismatched tag")."""
    origin = "document"
    if isinstance(text_or_path, str) and text_or_path.lstrip().startswith("<"):
        data = text_or_path.encode()
    elif isinstance(text_or_path, (bytes, bytearray)) and \
            bytes(text_or_path).lstrip().startswith(b"<"):
        data = bytes(text_or_path)
    elif isinstance(text_or_path, (str, bytes, os.PathLike)):
        origin = os.fsdecode(text_or_path)
        with open(text_or_path, "rb") as f:
            data = f.read()
    else:
        raise TypeError("render_svg: expected SVG text or a file name, "
                        f"got {_type_name(text_or_path)}")
    options = _RenderOptions(_optional_size(width, "width"), _optional_size(height, "height"),
                             0.0, None, 0)
    render = _load_renderer()
    messages: List[str] = []
    warn = _RenderWarn(lambda _context, message: messages.append(message.decode()))
    report = _RenderReport()
    handle = render(data, len(data), ctypes.byref(options), warn, None, ctypes.byref(report))
    import warnings
    for message in messages:
        warnings.warn(f"{origin}: {message}", SvgWarning, stacklevel=2)
    if not handle:
        error = report.error.decode(errors="replace")
        if error == "out of memory":
            raise MemoryError(error)
        raise ValueError(f"{origin}: line {report.line}: {error}")
    return Image._adopt(handle)
