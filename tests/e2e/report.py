"""Reading sorvik reports as bytes (BOM, CR LF, tabs and UTF-8 all matter): the frame, and the
parts that the e2e tests compare, by element path ("computer/os"; the root is not part of it)."""

import difflib
import html
import re
import xml.dom.minidom

HEAD = re.compile(rb'\xef\xbb\xbf<\?xml version="1.0" encoding="utf-8"\?>\r\n<sorvik version='
                  rb'"3\.(?:0\.1|1\.0)" creationDateTime="\d{4}/\d\d/\d\d \d\d:\d\d:\d\d">\r\n')
_TAG = re.compile(rb"(\t*)<(/?)([\w.:-]+)[^>]*?(/?)>")


def problem(data):
    """None for a complete, well-formed report, else what is wrong with it."""
    if data is None:
        return "no report was written"
    if not HEAD.match(data) or not data.endswith(b"\r\n</sorvik>\r\n"):
        return "not a report's frame (BOM, declaration, root tags, creation time)"
    if re.search(rb"(?<!\r)\n", data):
        return "a line feed without CR"
    try:
        xml.dom.minidom.parseString(data)
    except Exception as error:  # the parser's own error types vary
        return "not well-formed: %s" % error
    return None


def elements(data):
    """{path: [raw bytes of each occurrence, from its first line through its end line]}."""
    found, stack = {}, []
    lines = data.split(b"\n")
    offsets = [0]
    for line in lines:
        offsets.append(offsets[-1] + len(line) + 1)
    skip_to = 0
    for number, line in enumerate(lines):
        if number < skip_to:
            continue  # a value's continuation line, even one that starts with its end tag
        match = _TAG.match(line)
        if match is None or line.startswith(b"<?xml") or match.group(3) == b"sorvik":
            continue  # not a tag line, the declaration or the root
        tabs, closing, name, empty = match.groups()
        if closing:
            path, first = stack.pop()
            found.setdefault(path, []).append(data[offsets[first]:offsets[number + 1]])
            continue
        path = (stack[-1][0] + "/" if stack else "") + name.decode()
        nested = number + 1 < len(lines) and re.match(tabs + rb"\t?<", lines[number + 1])
        if empty or line[match.end():].strip(b"\r") or not nested:
            end = number
            while b"</" + name + b">" not in lines[end] and not empty:
                end += 1  # a value with line breaks
            found.setdefault(path, []).append(data[offsets[number]:offsets[end + 1]])
            skip_to = end + 1
        else:
            stack.append((path, number))
    return found


def part(data, path):
    """The bytes of the elements at `path`; "device classes" is the device section without
    what reads the host (processors, memory, drives)."""
    found = elements(data)
    raw = b"".join(found.get(path.split()[0], [b"<no %s>" % path.encode()]))
    if path == "device classes":
        for host in ("device/cpu", "device/ramMb", "device/disk"):
            raw = raw.replace(b"".join(found.get(host, [])), b"", 1)
    return raw


def value(data, path):
    """The text of a simple element, entities resolved."""
    raw = part(data, path).decode("utf-8").strip("\t")
    if raw.rstrip().endswith("/>"):
        return ""
    return html.unescape(raw[raw.index(">") + 1:raw.rindex("</")])


def show(data, limit=6000):
    """A report for a failure message, with CR and tabs made visible."""
    if data is None:
        return "<no file>"
    text = data.decode("utf-8", "replace").replace("\r", "\\r").replace("\t", "\\t")
    return text if len(text) <= limit else text[:limit] + "\n... (%d bytes)" % len(data)


def diff(expected, actual):
    lines = [show(data, 10**9).splitlines(keepends=True) for data in (expected, actual)]
    return "".join(difflib.unified_diff(*lines))


class Report:
    """The reader that bench/wine_bench.py uses: sections and repeated elements by path."""

    def __init__(self, data):
        self.data = data

    def section(self, name):
        return part(self.data, name)

    def all(self, path):
        return elements(self.data).get(path, [])
