"""Python binding for zd, the small 2D vector-graphics library.

Built on ctypes from the standard library. The shared library is found, in
order, through the ZD_LIBRARY environment variable (the full path of
libzd.so, e.g. in a build tree), then the system's library search
(libzd.so.1 as installed).

    import zd
    with zd.Path.parse("M10 10 L90 10 L50 80 Z") as path, zd.Image(100, 100) as image:
        image.fill(path.circle(50, 50, 20), zd.Color.parse("oklch(70% 0.1 150)"))
        image.save("out.png")

Status 2 raises ValueError and status 8 MemoryError, each carrying the
library's status text. Handles are freed when their object is closed (with
a `with` block or close()) or, at the latest, when it is garbage-collected.
"""

from __future__ import annotations

import ctypes
import ctypes.util
import math
import os
from typing import List, Tuple

__all__ = ["Path", "Image", "Color", "Paint", "to_svg", "Segment", "Matrix", "translation",
           "scaling", "rotation", "multiply", "library"]

Segment = Tuple[float, float, float, float]
# An affine matrix (a, b, c, d, e, f): x' = a x + c y + e, y' = b x + d y + f.
Matrix = Tuple[float, float, float, float, float, float]

_OK, _BAD_ARGUMENT, _OUT_OF_MEMORY = 0, 2, 8


def _load() -> ctypes.CDLL:
    explicit = os.environ.get("ZD_LIBRARY")
    if explicit:
        return ctypes.CDLL(explicit)
    for name in ("libzd.so.1", ctypes.util.find_library("zd"), "libzd.so"):
        if not name:
            continue
        try:
            return ctypes.CDLL(name)
        except OSError:
            continue
    raise ImportError("zd: libzd.so not found; set ZD_LIBRARY to its path")


library = _load()

_f = ctypes.c_float
_i32 = ctypes.c_int32
_i64 = ctypes.c_int64
_vp = ctypes.c_void_p
_cp = ctypes.c_char_p
_fp = ctypes.POINTER(ctypes.c_float)
_u8p = ctypes.POINTER(ctypes.c_uint8)


def _bind(name, restype, *argtypes):
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


_init = _bind("zd_init", None)
_strerror = _bind("zd_strerror", _cp, _i32)
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
_parse_d = _bind("zd_path_parse_d", _i32, _cp, ctypes.POINTER(_vp))
_to_d = _bind("zd_path_to_d", _i32, _vp, ctypes.POINTER(_vp), ctypes.POINTER(_i64))
_flatten = _bind("zd_path_flatten", _i32, _vp, _fp, _i64, ctypes.POINTER(_i64), _f)
_bounds = _bind("zd_segments_bounds", _i32, _fp, _i64, _fp)
_image_new = _bind("zd_image_new", _vp, _i32, _i32)
_image_width = _bind("zd_image_width", _i32, _vp)
_image_height = _bind("zd_image_height", _i32, _vp)
_image_pixels = _bind("zd_image_pixels", _i32, _vp, ctypes.POINTER(_u8p), ctypes.POINTER(_i64))
_encode_png = _bind("zd_image_encode_png", _i32, _vp, ctypes.POINTER(_vp), ctypes.POINTER(_i64))
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
_path_to_svg = _bind("zd_path_to_svg", _i32, _vp, _vp, _i32, _i32, ctypes.POINTER(_vp),
                     ctypes.POINTER(_i64))

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
_draw_path = _bind("zd_draw_path", _i32, _vp, _vp, _vp, _fp)

_init()
version = _version().decode()


def _error(status: int) -> Exception:
    text = _strerror(status).decode()
    if status == _OUT_OF_MEMORY:
        return MemoryError(text)
    return ValueError(text)


def _check(status: int) -> None:
    if status != _OK:
        raise _error(status)


def _take_block(call) -> bytes:
    """Runs an export that hands out a block, copies it and frees it."""
    block = _vp()
    length = _i64()
    status = call(ctypes.byref(block), ctypes.byref(length))
    try:
        _check(status)
        return ctypes.string_at(block.value, length.value) if length.value else b""
    finally:
        _buffer_free(block)


_JOINS = {"miter": 0, "round": 1, "bevel": 2}
_CAPS = {"butt": 0, "round": 1, "square": 2}


def _stroke_style(width, join, cap, miter_limit, dash, dash_offset):
    """A ZdStroke and the dash array it points at (keep both alive during the call)."""
    if join not in _JOINS:
        raise ValueError(f"zd: unknown join {join!r} (miter, round or bevel)")
    if cap not in _CAPS:
        raise ValueError(f"zd: unknown cap {cap!r} (butt, round or square)")
    lengths = list(dash) if dash else []
    array = (ctypes.c_float * max(len(lengths), 1))(*lengths)
    style = _Stroke(width, _JOINS[join], _CAPS[cap], miter_limit,
                    ctypes.cast(array, ctypes.POINTER(ctypes.c_float)) if lengths else None,
                    len(lengths), dash_offset)
    return style, array


def _matrix(m) -> ctypes.Array:
    values = tuple(float(v) for v in m)
    if len(values) != 6:
        raise ValueError("zd: a matrix has six numbers (a, b, c, d, e, f)")
    return (ctypes.c_float * 6)(*values)


def multiply(first: Matrix, then: Matrix) -> Matrix:
    """The matrix that applies `first`, then `then`."""
    a1, b1, c1, d1, e1, f1 = first
    a2, b2, c2, d2, e2, f2 = then
    return (a2 * a1 + c2 * b1, b2 * a1 + d2 * b1, a2 * c1 + c2 * d1, b2 * c1 + d2 * d1,
            a2 * e1 + c2 * f1 + e2, b2 * e1 + d2 * f1 + f2)


def translation(x: float, y: float) -> Matrix:
    return (1.0, 0.0, 0.0, 1.0, float(x), float(y))


def scaling(sx: float, sy: float | None = None) -> Matrix:
    return (float(sx), 0.0, 0.0, float(sx if sy is None else sy), 0.0, 0.0)


def rotation(degrees: float, cx: float = 0.0, cy: float = 0.0) -> Matrix:
    """A turn by `degrees` about (cx, cy); positive turns clockwise on screen (y down), as SVG."""
    radians = math.radians(degrees)
    c, s = math.cos(radians), math.sin(radians)
    return (c, s, -s, c, cx - c * cx + s * cy, cy - s * cx - c * cy)


class _Handle:
    """Owns one reference to a library handle."""

    _free = None

    def __init__(self, handle: int, kind: str):
        if not handle:
            raise ValueError(f"zd: could not create {kind}")
        self._handle = handle

    @property
    def handle(self) -> int:
        if not self._handle:
            raise ValueError("zd: handle used after close()")
        return self._handle

    def close(self) -> None:
        handle, self._handle = getattr(self, "_handle", None), None
        if handle:
            type(self)._free(handle)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        self.close()


class Path(_Handle):
    """A vector path: a list of drawing commands. Builder methods return self."""

    _free = staticmethod(_path_free)

    def __init__(self, _handle: int | None = None):
        super().__init__(_handle if _handle is not None else _path_new(), "path")

    @classmethod
    def parse(cls, d: str) -> "Path":
        """Parses SVG path data; raises ValueError when it does not parse."""
        out = _vp()
        _check(_parse_d(d.encode(), ctypes.byref(out)))
        return cls(out.value)

    def copy(self) -> "Path":
        return Path(_path_copy(self.handle))

    def _build(self, function, *args) -> "Path":
        _check(function(self.handle, *args))
        return self

    def move_to(self, x, y): return self._build(_move_to, x, y)
    def line_to(self, x, y): return self._build(_line_to, x, y)
    def bezier_curve_to(self, c1x, c1y, c2x, c2y, x, y):
        return self._build(_bezier, c1x, c1y, c2x, c2y, x, y)
    def quadratic_curve_to(self, cx, cy, x, y): return self._build(_quadratic, cx, cy, x, y)
    def elliptical_arc_to(self, rx, ry, rotation, large_arc, sweep, x, y):
        return self._build(_elliptical, rx, ry, rotation, int(bool(large_arc)),
                           int(bool(sweep)), x, y)
    def close_path(self): return self._build(_close)
    def rect(self, x, y, w, h, clockwise=True):
        return self._build(_rect, int(bool(clockwise)), x, y, w, h)
    def rounded_rect(self, x, y, w, h, radii, clockwise=True):
        r = tuple(radii) if isinstance(radii, (tuple, list)) else (radii,) * 4
        return self._build(_rounded, int(bool(clockwise)), x, y, w, h, *r)
    def ellipse(self, cx, cy, rx, ry): return self._build(_ellipse, cx, cy, rx, ry)
    def circle(self, cx, cy, r): return self._build(_circle, cx, cy, r)
    def polygon(self, n, cx, cy, r): return self._build(_polygon, n, cx, cy, r)
    def arc(self, cx, cy, r, start_angle, end_angle, counterclockwise=False):
        return self._build(_arc, int(bool(counterclockwise)), cx, cy, r, start_angle, end_angle)
    def arc_to(self, x1, y1, x2, y2, r): return self._build(_arc_to, x1, y1, x2, y2, r)
    def add_path(self, other: "Path"): return self._build(_add_path, other.handle)

    @property
    def current(self) -> Tuple[float, float]:
        xy = (ctypes.c_float * 2)()
        _check(_current(self.handle, xy))
        return xy[0], xy[1]

    @property
    def start(self) -> Tuple[float, float]:
        xy = (ctypes.c_float * 2)()
        _check(_start(self.handle, xy))
        return xy[0], xy[1]

    def __len__(self) -> int:
        return _count(self.handle)

    def commands(self) -> List[Tuple[int, Tuple[float, ...]]]:
        """The commands as (kind, parameters) pairs."""
        result = []
        for index in range(len(self)):
            command = _Command()
            _check(_command_get(self.handle, index, ctypes.byref(command)))
            count = library.zd_path_command_parameter_count(command.kind)
            result.append((command.kind, tuple(command.params[:count])))
        return result

    def __str__(self) -> str:
        return _take_block(lambda out, n: _to_d(self.handle, out, n)).decode()

    def flatten(self, tolerance: float = 0.0) -> List[Segment]:
        """Line segments (x0, y0, x1, y1) within `tolerance` (<= 0 means 0.5)."""
        count = _i64()
        _check(_flatten(self.handle, None, 0, ctypes.byref(count), tolerance))
        array = (ctypes.c_float * (4 * count.value))()
        _check(_flatten(self.handle, array, count.value, ctypes.byref(count), tolerance))
        return [tuple(array[i:i + 4]) for i in range(0, 4 * count.value, 4)]

    def stroke(self, width: float, join: str = "miter", cap: str = "butt", miter_limit: float = 4.0,
               dash=None, dash_offset: float = 0.0, tolerance: float = 0.5) -> "Path":
        """A new path whose non-zero fill is the area this path's stroke paints."""
        style, _array = _stroke_style(width, join, cap, miter_limit, dash, dash_offset)
        out = _vp()
        _check(_path_stroke(self.handle, ctypes.byref(style), tolerance, ctypes.byref(out)))
        return Path(out.value)

    def transform(self, a: float, b: float, c: float, d: float, e: float, f: float) -> "Path":
        """Maps the path in place: x' = a x + c y + e, y' = b x + d y + f."""
        _check(_path_transform(self.handle, _matrix((a, b, c, d, e, f))))
        return self

    def translate(self, x: float, y: float) -> "Path":
        return self.transform(*translation(x, y))

    def scale(self, sx: float, sy: float | None = None) -> "Path":
        return self.transform(*scaling(sx, sy))

    def rotate(self, degrees: float, cx: float = 0.0, cy: float = 0.0) -> "Path":
        """Turns the path by `degrees` about (cx, cy), clockwise on screen for positive angles."""
        return self.transform(*rotation(degrees, cx, cy))

    def bounds(self, tolerance: float = 0.0) -> Tuple[float, float, float, float]:
        """(min_x, min_y, width, height) of the flattened path."""
        segments = self.flatten(tolerance)
        flat = (ctypes.c_float * (4 * len(segments)))(*[v for s in segments for v in s])
        out = (ctypes.c_float * 4)()
        _check(_bounds(flat, len(segments), out))
        return tuple(out)


class Color(_Handle):
    """An immutable colour in one of the library's colour spaces."""

    _free = staticmethod(_color_free)
    _HUE_METHODS = {"shorter": 0, "longer": 1, "increasing": 2, "decreasing": 3}
    _DELTA_E_METHODS = {"ok": 0, "2000": 1, "76": 2}

    def __init__(self, _handle: int):
        super().__init__(_handle, "colour")

    @classmethod
    def _made(cls, handle, what: str) -> "Color":
        if not handle:
            raise ValueError(f"zd: {what}")
        return cls(handle)

    @classmethod
    def parse(cls, text: str) -> "Color":
        """Any CSS colour: named colours, hex, rgb(), hsl(), hwb(), lab(), lch(),
        oklab(), oklch(), color() and color-mix(). The colour keeps the space it
        was written in."""
        return cls._made(_color_parse_css(text.encode()), f"bad colour {text!r}")

    @classmethod
    def rgba(cls, r: float, g: float, b: float, a: float = 1.0) -> "Color":
        return cls._made(_color_rgba(r, g, b, a), f"bad colour rgba({r}, {g}, {b}, {a})")

    @classmethod
    def new(cls, space: str, components, alpha: float = 1.0) -> "Color":
        """A colour of a registered space ("srgb", "p3", "oklch", "cmyk", ...) from
        as many components as the space has."""
        values = list(components)
        array = (ctypes.c_float * max(len(values), 1))(*values)
        return cls._made(_color_new(space.encode(), array, len(values), alpha),
                         f"bad colour {space}{tuple(values)}")

    @property
    def space(self) -> str:
        """The registry name of the colour's space."""
        return _color_space(self.handle).decode()

    @property
    def components(self) -> Tuple[float, ...]:
        """The components (three, or four for CMYK); a `none` component reads 0."""
        values = (ctypes.c_float * 4)()
        count = _i32()
        alpha = ctypes.c_float()
        _check(_color_components(self.handle, values, ctypes.byref(count), ctypes.byref(alpha)))
        return tuple(values[:count.value])

    @property
    def alpha(self) -> float:
        values = (ctypes.c_float * 4)()
        count = _i32()
        alpha = ctypes.c_float()
        _check(_color_components(self.handle, values, ctypes.byref(count), ctypes.byref(alpha)))
        return alpha.value

    def convert(self, space: str) -> "Color":
        """The colour in another space, without gamut mapping."""
        return Color._made(_color_convert(self.handle, space.encode()),
                           f"cannot convert {self.space} to {space!r}")

    def gamut_map(self, space: str, method: str = "css") -> "Color":
        """The colour in `space`, brought into its ranges by chroma reduction
        ("css") or by clamping each component ("clip")."""
        code = {"css": 0, "clip": 1}.get(method, -1)
        return Color._made(_color_gamut_map(self.handle, space.encode(), code),
                           f"cannot map {self.space} into {space!r} by {method!r}")

    def mix(self, other: "Color", t: float = 0.5, space: str = "oklab",
            hue: str = "shorter") -> "Color":
        """As CSS color-mix(): `t` is the share of `other`."""
        out = _vp()
        _check(_color_mix(self.handle, other.handle, t, space.encode(),
                          self._HUE_METHODS.get(hue, -1), ctypes.byref(out)))
        return Color(out.value)

    def delta_e(self, other: "Color", method: str = "ok") -> float:
        """Colour difference: "ok" (deltaE OK), "2000" (CIEDE2000) or "76"."""
        out = ctypes.c_double()
        _check(_color_delta_e(self.handle, other.handle,
                              self._DELTA_E_METHODS.get(str(method).lower(), -1), ctypes.byref(out)))
        return out.value

    def to_css(self) -> str:
        """CSS text in the colour's own space; Color.parse reads it back exactly."""
        return _take_block(lambda out, n: _color_to_css(self.handle, out, n)).decode()

    def __str__(self) -> str:
        """SVG colour text of the colour mapped into sRGB: #RRGGBB or #RRGGBBAA."""
        return _take_block(lambda out, n: _color_to_svg(self.handle, out, n)).decode()

    def __repr__(self) -> str:
        return f"zd.Color.parse({self.to_css()!r})"


def _as_color(color) -> Tuple["Color", bool]:
    """A Color for `color` (a Color or colour text) and whether it was made here."""
    if isinstance(color, Color):
        return color, False
    return Color.parse(color), True


class Paint(_Handle):
    """How Image.draw paints a path: a colour, fill or stroke, blending and tolerance.

    Paint() fills with opaque black by the non-zero rule, blended over the pixels,
    at tolerance 0.5; `stroke=W` makes it stroke with a pen W wide.
    """

    _free = staticmethod(_paint_free)

    def __init__(self, color=None, *, even_odd: bool = False, overwrite: bool = False,
                 tolerance: float = 0.5, stroke: float | None = None, join: str = "miter",
                 cap: str = "butt", miter_limit: float = 4.0, dash=None,
                 dash_offset: float = 0.0, _handle: int | None = None):
        super().__init__(_handle if _handle is not None else _paint_new(), "paint")
        if _handle is not None:
            return
        if color is not None:
            self.set_color(color)
        self.set_fill(even_odd)
        if stroke is not None:
            self.set_stroke(stroke, join, cap, miter_limit, dash, dash_offset)
        self.set_mode(overwrite)
        self.set_tolerance(tolerance)

    def copy(self) -> "Paint":
        return Paint(_handle=_paint_copy(self.handle))

    def set_color(self, color) -> "Paint":
        value, owned = _as_color(color)
        try:
            _check(_paint_set_color(self.handle, value.handle))
        finally:
            if owned:
                value.close()
        return self

    def set_fill(self, even_odd: bool = False) -> "Paint":
        """The paint fills (by the even-odd rule when asked, non-zero otherwise)."""
        _check(_paint_set_fill(self.handle, int(bool(even_odd))))
        return self

    def set_stroke(self, width: float, join: str = "miter", cap: str = "butt",
                   miter_limit: float = 4.0, dash=None, dash_offset: float = 0.0) -> "Paint":
        """The paint strokes: joins miter/round/bevel, caps butt/round/square, dashes on/off lengths."""
        style, _array = _stroke_style(width, join, cap, miter_limit, dash, dash_offset)
        _check(_paint_set_stroke(self.handle, ctypes.byref(style)))
        return self

    def set_mode(self, overwrite: bool = False) -> "Paint":
        _check(_paint_set_mode(self.handle, int(bool(overwrite))))
        return self

    def set_tolerance(self, tolerance: float) -> "Paint":
        _check(_paint_set_tolerance(self.handle, tolerance))
        return self


class Image(_Handle):
    """A width x height RGBA image (8 bits per channel, straight alpha, sRGB)."""

    _free = staticmethod(_image_free)

    def __init__(self, width: int, height: int):
        handle = _image_new(width, height)
        if not handle:
            raise MemoryError(f"zd: cannot make a {width}x{height} image")
        super().__init__(handle, "image")

    @property
    def width(self) -> int:
        return _image_width(self.handle)

    @property
    def height(self) -> int:
        return _image_height(self.handle)

    @property
    def pixels(self) -> memoryview:
        """The image's own bytes, without copying (valid while the image is open)."""
        data = _u8p()
        length = _i64()
        _check(_image_pixels(self.handle, ctypes.byref(data), ctypes.byref(length)))
        buffer = (ctypes.c_uint8 * length.value).from_address(ctypes.addressof(data.contents))
        return memoryview(buffer).cast("B")

    def fill(self, path: Path, color: Color, even_odd: bool = False, overwrite: bool = False,
             tolerance: float = 0.0) -> "Image":
        _check(_fill_path(self.handle, path.handle, color.handle, int(bool(even_odd)),
                          int(bool(overwrite)), tolerance))
        return self

    def draw(self, path: Path, paint: Paint, transform: Matrix | None = None) -> "Image":
        """Draws `path` with `paint`; `transform` (a, b, c, d, e, f) maps path units to pixels."""
        matrix = _matrix(transform) if transform is not None else None
        _check(_draw_path(self.handle, path.handle, paint.handle, matrix))
        return self

    def stroke(self, path: Path, color, width: float, join: str = "miter", cap: str = "butt",
               miter_limit: float = 4.0, dash=None, dash_offset: float = 0.0,
               overwrite: bool = False, tolerance: float = 0.5,
               transform: Matrix | None = None) -> "Image":
        """Strokes `path` with a pen `width` wide in `color` (a Color or colour text)."""
        with Paint(color, overwrite=overwrite, tolerance=tolerance, stroke=width, join=join,
                   cap=cap, miter_limit=miter_limit, dash=dash, dash_offset=dash_offset) as paint:
            return self.draw(path, paint, transform)

    def png(self) -> bytes:
        return _take_block(lambda out, n: _encode_png(self.handle, out, n))

    def save(self, filename: str) -> None:
        with open(filename, "wb") as f:
            f.write(self.png())


def to_svg(path: Path, color: Color, width: int, height: int) -> str:
    """A one-path SVG document of the path filled with the colour."""
    return _take_block(
        lambda out, n: _path_to_svg(path.handle, color.handle, width, height, out, n)).decode()
