"""Tests of the Python binding against the real library."""

import gc
import math
import struct
import zlib

import pytest

import zd


def png_pixels(data: bytes):
    """Decodes the image bytes of one of our PNGs (filter 0 rows, RGBA)."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    width, height = struct.unpack(">II", data[16:24])
    position, idat = 8, b""
    while position < len(data):
        length, kind = struct.unpack(">I4s", data[position:position + 8])
        if kind == b"IDAT":
            idat += data[position + 8:position + 8 + length]
        position += 12 + length
    raw = zlib.decompress(idat)
    stride = width * 4 + 1
    assert all(raw[row * stride] == 0 for row in range(height))
    return width, height, b"".join(raw[row * stride + 1:(row + 1) * stride] for row in range(height))


def test_path_builders_chain_and_read_back():
    with zd.Path() as path:
        assert path.move_to(1, 2).line_to(5, 2).close_path() is path
        assert len(path) == 3
        assert path.current == (1.0, 2.0)
        assert path.commands()[0] == (1, (1.0, 2.0))
        path.rect(0, 0, 10, 5).circle(3, 3, 1).polygon(5, 0, 0, 4)
        assert len(path) == 3 + 5 + 6 + 6


def test_parse_print_and_errors():
    path = zd.Path.parse("M10 10 L90 10 L50 80 Z")
    assert str(path) == "M 10 10 L 90 10 L 50 80 Z"
    with pytest.raises(ValueError, match=r"^parsePath: path must begin with moveto \(M or m\) at offset 0$"):
        zd.Path.parse("L 1 2")
    with pytest.raises(ValueError):
        zd.Path().move_to(math.nan, 0)
    with pytest.raises(ValueError):
        zd.Path().circle(0, 0, -1)


def test_flatten_and_bounds():
    path = zd.Path.parse("M 0 0 L 10 0 L 10 10 Z")
    assert path.flatten() == [(0, 0, 10, 0), (10, 0, 10, 10), (10, 10, 0, 0)]
    assert path.bounds() == (0.0, 0.0, 10.0, 10.0)
    curve = zd.Path.parse("M 0 0 Q 50 100 100 0")
    assert len(curve.flatten(0.5)) == 16
    assert len(curve.flatten(1.0)) == 12


def test_image_fill_png_and_pixels_share_memory(tmp_path):
    with zd.Image(20, 10) as image:
        assert (image.width, image.height) == (20, 10)
        pixels = image.pixels
        assert len(pixels) == 20 * 10 * 4 and not any(pixels)
        image.fill(zd.Path().rect(0, 0, 10, 10), zd.Color.rgba(1, 0, 0, 1))
        assert bytes(pixels[:4]) == b"\xff\x00\x00\xff"  # zero-copy view sees the fill
        assert bytes(pixels[10 * 4:10 * 4 + 4]) == b"\x00\x00\x00\x00"
        width, height, decoded = png_pixels(image.png())
        assert (width, height) == (20, 10) and decoded == bytes(pixels)
        out = tmp_path / "out.png"
        image.save(str(out))
        assert out.read_bytes() == image.png()
        pixels.release()  # a view must be gone before its image closes


def test_fill_options_and_bad_arguments():
    image = zd.Image(4, 4)
    square = zd.Path().rect(0, 0, 4, 4)
    image.fill(square, zd.Color.rgba(0, 0, 1, 0.5), overwrite=True)
    assert bytes(image.pixels[:4]) == b"\x00\x00\xff\x80"
    with pytest.raises(ValueError):
        image.fill(square, zd.Color.rgba(0, 0, 1, 1), tolerance=math.inf)
    with pytest.raises(ValueError, match=r"^zd_image_new: width must be >= 1 \(got 0\)$"):
        zd.Image(0, 5)


def test_colors_and_svg_document():
    assert str(zd.Color.rgba(1, 0, 0, 1)) == "#FF0000"
    assert str(zd.Color.parse("#00ff00")) == "#00FF00"
    with pytest.raises(ValueError):
        zd.Color.parse("not a colour")
    with pytest.raises(ValueError):
        zd.Color.rgba(1, 0, 0, 1.5)
    svg = zd.to_svg(zd.Path.parse("M0 0 L10 0 L10 10 Z"), zd.Color.rgba(0, 0, 1, 1), 10, 10)
    assert svg == ('<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10" '
                   'viewBox="0 0 10 10"><path d="M 0 0 L 10 0 L 10 10 Z" fill="#0000FF"/></svg>')
    with pytest.raises(ValueError):
        zd.to_svg(zd.Path(), zd.Color.rgba(0, 0, 0, 1), 0, 10)


def test_css_colours_spaces_and_mixing():
    assert str(zd.Color.parse("red")) == "#FF0000"
    p3 = zd.Color.parse("color(display-p3 1 0.2 0.1)")
    assert p3.space == "p3" and p3.components == pytest.approx((1, 0.2, 0.1))
    assert zd.Color.parse("hsl(200 80% 40%)").to_css() == "hsl(200 80% 40%)"
    assert zd.Color.parse(p3.to_css()).components == p3.components
    assert p3.convert("srgb").components[0] > 1
    assert all(0 <= v <= 1 for v in p3.gamut_map("srgb", "clip").components)
    cmyk = zd.Color.new("cmyk", [0.1, 0.2, 0.3, 0.4], 0.5)
    assert cmyk.components == pytest.approx((0.1, 0.2, 0.3, 0.4)) and cmyk.alpha == 0.5
    assert cmyk.convert("srgb").components == pytest.approx((0.54, 0.48, 0.42))
    assert zd.Color.parse("red").convert("cmyk").components == (0, 1, 1, 0)
    mixed = zd.Color.parse("red").mix(zd.Color.parse("blue"), 0.5, "oklch")
    assert mixed.to_css() == zd.Color.parse("color-mix(in oklch, red, blue)").to_css()
    assert zd.Color.parse("red").delta_e(zd.Color.parse("red"), "2000") == 0
    assert zd.Color.parse("white").delta_e(zd.Color.parse("black"), "76") == pytest.approx(100, abs=1e-3)
    for bad in (lambda: zd.Color.parse("currentcolor"), lambda: zd.Color.new("xyy", [0.3, 0, 0.5]).convert("srgb"),
                lambda: p3.convert("nope"), lambda: p3.gamut_map("srgb", "squash"),
                lambda: p3.mix(p3, 2.0), lambda: p3.mix(p3, 0.5, "oklch", "sideways"),
                lambda: p3.delta_e(p3, "94"), lambda: zd.Color.new("srgb", [1, 2])):
        with pytest.raises(ValueError):
            bad()


def test_handles_are_released_deterministically():
    path = zd.Path().move_to(0, 0)
    path.close()
    path.close()  # closing twice is harmless
    with pytest.raises(ValueError, match="after close"):
        path.line_to(1, 1)
    for _ in range(1000):
        zd.Image(64, 64)
    gc.collect()


def test_stroke_outline_and_bad_styles():
    with zd.Path.parse("M 10 10 L 90 10") as line:
        outline = line.stroke(2)
        assert str(outline) == "M 10 11 L 90 11 L 90 9 L 10 9 Z"
        assert outline.bounds() == (10.0, 9.0, 80.0, 2.0)
        assert line.stroke(2, cap="square").bounds() == (9.0, 9.0, 82.0, 2.0)
        dashed = line.stroke(2, dash=[10, 10], dash_offset=5)
        # Dashes at 0-5, 15-25, 35-45, 55-65 and 75-85, each a move, three lines and a close.
        assert len(dashed) == 5 * 5
        with pytest.raises(ValueError, match="join"):
            line.stroke(2, join="pointy")
        with pytest.raises(ValueError):
            line.stroke(math.nan)
        with pytest.raises(ValueError):
            line.stroke(2, dash=[1, -1])


def test_transforms_move_paths():
    with zd.Path.parse("M 1 0 L 2 0") as path:
        assert path.rotate(90) is path
        (x0, y0, x1, y1), = path.flatten()
        assert (round(x0, 6), round(y0, 6), round(x1, 6), round(y1, 6)) == (0, 1, 0, 2)
        path.translate(5, 5).scale(2, 3)
        assert path.current == pytest.approx((10.0, 21.0))
        path.rotate(180, 10, 21)
        assert path.current == pytest.approx((10.0, 21.0))
        with pytest.raises(ValueError):
            path.transform(1, 0, 0, 1, math.inf, 0)
    turn = zd.rotation(90, 1, 1)
    assert zd.multiply(zd.translation(1, 0), turn) == pytest.approx(zd.rotation(90, 0.5, 1.5))


def test_draw_with_paints():
    with zd.Path.parse("M 4 4 L 28 6 L 10 28 Z") as path, \
            zd.Image(32, 32) as filled, zd.Image(32, 32) as drawn:
        color = zd.Color.parse("#336699")
        filled.fill(path, color, even_odd=True)
        with zd.Paint(color, even_odd=True) as paint:
            drawn.draw(path, paint)
            copy = paint.copy().set_stroke(3, join="round")
        assert bytes(drawn.pixels) == bytes(filled.pixels)
        with zd.Image(32, 32) as stroked, zd.Image(32, 32) as through_paint:
            stroked.stroke(path, "#FF0000", 3, join="round")
            through_paint.draw(path, copy.set_color("#FF0000"))
            assert bytes(stroked.pixels) == bytes(through_paint.pixels)
            assert bytes(stroked.pixels) != bytes(filled.pixels)
        copy.close()
        with zd.Image(32, 32) as moved:
            with zd.Paint() as black:
                moved.draw(zd.Path().rect(0, 0, 2, 2), black, transform=zd.translation(10, 20))
            pixels = moved.pixels
            assert pixels[(20 * 32 + 10) * 4 + 3] == 255
            assert pixels[(19 * 32 + 10) * 4 + 3] == 0
            pixels.release()  # a view must be gone before its image closes
            with pytest.raises(ValueError):
                moved.draw(path, zd.Paint(), transform=(1, 0, 0, 1, math.nan, 0))
        with pytest.raises(ValueError):
            zd.Paint(stroke=-1)


def test_paint_antialias():
    # A rectangle from x 1.5 to 4.25: by area column 1 is half covered and
    # column 4 a quarter; by pixel centres column 1 is inside, column 4 not.
    with zd.Path.parse("M 1.5 0 L 4.25 0 L 4.25 4 L 1.5 4 Z") as path:
        alphas = {}
        for antialias in ("scanlines", "area", "none"):
            with zd.Image(8, 4) as image, zd.Paint(antialias=antialias) as paint:
                image.draw(path, paint)
                pixels = image.pixels
                alphas[antialias] = [pixels[x * 4 + 3] for x in range(8)]
                pixels.release()
        assert alphas["area"] == [0, 128, 255, 255, 64, 0, 0, 0]
        assert alphas["none"] == [0, 255, 255, 255, 0, 0, 0, 0]
        assert alphas["scanlines"] == [0, 128, 255, 255, 64, 0, 0, 0]
    with pytest.raises(ValueError):
        zd.Paint(antialias="best")
    with zd.Paint() as paint:
        with pytest.raises(ValueError):
            paint.set_antialias(1)


def test_gradients_paint_images():
    square = zd.Path().rect(0, 0, 16, 4)
    ramp = zd.LinearGradient(0, 0, 16, 0, stops=[(0, "black"), (1, "white")])
    image = zd.Image(16, 4).fill(square, ramp)
    row = bytes(image.pixels[:16 * 4])
    assert row[0] == 8 and row[15 * 4] == 247
    assert all(row[x * 4] < row[(x + 1) * 4] for x in range(15))
    # The same gradient through a Paint, and stroked.
    drawn = zd.Image(16, 4).draw(square, zd.Paint(ramp))
    assert bytes(drawn.pixels) == bytes(image.pixels)
    stroked = zd.Image(16, 4).stroke(zd.Path().move_to(0, 2).line_to(16, 2), ramp, 4)
    assert bytes(stroked.pixels) == bytes(image.pixels)
    # oklch with the longer hue passes green between red and blue.
    longer = zd.LinearGradient(0, 0, 16, 0, stops=[(0, "red"), (1, "blue")], space="oklch",
                               hue="longer")
    middle = bytes(zd.Image(16, 4).fill(square, longer).pixels[8 * 4:8 * 4 + 3])
    assert middle[1] > middle[0] and middle[1] > middle[2]
    radial = zd.RadialGradient(8, 2, 0, 8, 2, 8, stops=[(0, "red"), (1, "blue")],
                               spread="reflect")
    conic = zd.ConicGradient(8, 2, 0.5, stops=[(0, "red"), (0.5, "lime"), (1, "red")])
    for gradient in (radial, conic):
        assert len(set(bytes(zd.Image(16, 4).fill(square, gradient).pixels))) > 4
    assert "LinearGradient" in repr(ramp)
    for bad in (lambda: zd.LinearGradient(0, 0, 1, 0, stops=[(0, "red")], space="nowhere"),
                lambda: zd.LinearGradient(0, 0, 1, 0, stops=[(0, "red")], spread="mirror"),
                lambda: zd.LinearGradient(0, 0, 1, 0, stops=[(0, "red")], hue="sideways"),
                lambda: zd.LinearGradient(0, 0, 1, 0),
                lambda: zd.RadialGradient(0, 0, -1, 0, 0, 1, stops=[(0, "red")])):
        with pytest.raises(ValueError):
            zd.Image(4, 4).fill(square, bad())
