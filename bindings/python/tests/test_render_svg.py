"""zd.render_svg: SVG documents rendered by the renderer beside the library."""
import os
import warnings

import pytest

import zd

SQUARE = ('<svg xmlns="http://www.w3.org/2000/svg" width="8" height="4" viewBox="0 0 2 1">'
          '<rect width="1" height="1" fill="#ff0000"/></svg>')


def renderer_available() -> bool:
    try:
        zd._load_renderer()
    except RuntimeError:
        return False
    return True


pytestmark = pytest.mark.skipif(not renderer_available(),
                                reason="libzdrender.so.1 was not built (no expat)")


def pixel(image: zd.Image, x: int, y: int) -> bytes:
    offset = (y * image.width + x) * 4
    return bytes(image.pixels[offset:offset + 4])


def test_text_bytes_and_files_render_alike(tmp_path):
    file = tmp_path / "square.svg"
    file.write_text(SQUARE)
    for source in (SQUARE, SQUARE.encode(), "  \n" + SQUARE, file, str(file), os.fsencode(file)):
        with zd.render_svg(source) as image:
            assert (image.width, image.height) == (8, 4)
            assert pixel(image, 1, 1) == b"\xff\x00\x00\xff"
            assert pixel(image, 6, 1) == b"\x00\x00\x00\x00"


def test_sizes_follow_the_aspect_ratio():
    with zd.render_svg(SQUARE, width=20) as image:
        assert (image.width, image.height) == (20, 10)
    with zd.render_svg(SQUARE, height=3) as image:
        assert (image.width, image.height) == (6, 3)
    with zd.render_svg(SQUARE, width=5, height=5) as image:
        assert (image.width, image.height) == (5, 5)
    for bad in (0, -1):
        with pytest.raises(ValueError, match="width must be >= 1"):
            zd.render_svg(SQUARE, width=bad)
    with pytest.raises(TypeError):
        zd.render_svg(SQUARE, height="10")
    with pytest.raises(TypeError):
        zd.render_svg(42)


def test_broken_documents_raise_with_their_line(tmp_path):
    with pytest.raises(ValueError, match=r"document: line 3: not well-formed XML: mismatched tag"):
        zd.render_svg('<svg xmlns="http://www.w3.org/2000/svg">\n<g>\n</svg>')
    file = tmp_path / "page.svg"
    file.write_text("<html/>")
    with pytest.raises(ValueError, match=r"page\.svg: line 1: the root element is not svg"):
        zd.render_svg(file)
    with pytest.raises(FileNotFoundError):
        zd.render_svg(tmp_path / "missing.svg")


def test_skipped_content_warns_once_per_kind():
    document = SQUARE.replace("</svg>", "<text>a</text><text>b</text><mask id='m'/></svg>")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        with zd.render_svg(document) as image:
            assert pixel(image, 1, 1) == b"\xff\x00\x00\xff"
    messages = [str(w.message) for w in caught if issubclass(w.category, zd.SvgWarning)]
    assert messages == ["document: unsupported element <text> skipped (line 1)",
                        "document: unsupported element <mask> skipped (line 1)"]
