#!/usr/bin/env python3
"""Builds a Writer text template (.ott) from a flat OpenDocument text (.fodt).

    make-template.py SOURCE.fodt OUTPUT.ott [TEXTS.txt]

TEXTS.txt gives the texts of another language, "source text=translated text" one a line (UTF-8,
"#" starts a comment, "@language=ll-CC" sets the document's language). A line replaces every
text node, placeholder description and the title that equals its source text; a line that
matches nothing is an error, so the texts cannot fall behind the source unnoticed.

The package holds the mimetype first and uncompressed, as OpenDocument requires, and fixed
times, so the same source always gives the same bytes.
"""
import io
import sys
import xml.etree.ElementTree as ET
import zipfile

OFFICE = "urn:oasis:names:tc:opendocument:xmlns:office:1.0"
STYLE = "urn:oasis:names:tc:opendocument:xmlns:style:1.0"
TEXT = "urn:oasis:names:tc:opendocument:xmlns:text:1.0"
FO = "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
DC = "http://purl.org/dc/elements/1.1/"
MANIFEST = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0"
MIMETYPE = "application/vnd.oasis.opendocument.text-template"


def office(name):
    return "{%s}%s" % (OFFICE, name)


def read_texts(path):
    texts, language = {}, None
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("@language="):
                language = line.split("=", 1)[1]
                continue
            if "=" not in line:
                sys.exit("%s:%d: no '=' in the line" % (path, number))
            source, translated = line.split("=", 1)
            texts[source] = translated
    return texts, language


def translate(root, texts, language):
    used = set()

    def replace(value):
        if value in texts:
            used.add(value)
            return texts[value]
        return value

    description = "{%s}description" % TEXT
    for element in root.iter():
        if element.text:
            element.text = replace(element.text)
        if element.tail:
            element.tail = replace(element.tail)
        if description in element.attrib:
            element.attrib[description] = replace(element.attrib[description])
    unused = sorted(set(texts) - used)
    if unused:
        sys.exit("texts that match nothing in the source: %s" % "; ".join(unused))
    if language:
        lang, _, country = language.partition("-")
        for props in root.iter("{%s}text-properties" % STYLE):
            if "{%s}language" % FO in props.attrib:
                props.attrib["{%s}language" % FO] = lang
                props.attrib["{%s}country" % FO] = country
        for element in root.iter("{%s}language" % DC):
            element.text = language


def part(root, name, children):
    document = ET.Element(office(name), {office("version"): root.get(office("version"))})
    for tag in children:
        child = root.find(office(tag))
        if child is not None:
            document.append(child)
    return b'<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(document, encoding="utf-8")


def manifest(version, files):
    m = "{%s}" % MANIFEST
    root = ET.Element(m + "manifest", {m + "version": version})
    ET.SubElement(root, m + "file-entry",
                  {m + "full-path": "/", m + "version": version, m + "media-type": MIMETYPE})
    for name in files:
        ET.SubElement(root, m + "file-entry", {m + "full-path": name, m + "media-type": "text/xml"})
    return b'<?xml version="1.0" encoding="UTF-8"?>\n' + ET.tostring(root, encoding="utf-8")


def main(argv):
    if len(argv) not in (3, 4):
        sys.exit(__doc__)
    source, output = argv[1], argv[2]
    with open(source, "rb") as f:
        data = f.read()
    # Keep the source's prefixes, which LibreOffice does not need but people reading it do.
    for _, (prefix, uri) in ET.iterparse(io.BytesIO(data), events=("start-ns",)):
        ET.register_namespace(prefix, uri)
    ET.register_namespace("manifest", MANIFEST)
    root = ET.fromstring(data)
    if len(argv) == 4:
        translate(root, *read_texts(argv[3]))

    version = root.get(office("version"))
    # Font faces and automatic styles go to both parts (an element may sit in both trees): the
    # page layout serves the master page in styles.xml, the table and cell styles the body.
    parts = {
        "content.xml": part(root, "document-content", ["font-face-decls", "automatic-styles", "body"]),
        "styles.xml": part(root, "document-styles",
                           ["font-face-decls", "styles", "automatic-styles", "master-styles"]),
        "meta.xml": part(root, "document-meta", ["meta"]),
    }
    with zipfile.ZipFile(output, "w") as package:
        def add(name, content, compress):
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED if compress else zipfile.ZIP_STORED
            package.writestr(info, content)

        add("mimetype", MIMETYPE, False)
        for name in ["content.xml", "styles.xml", "meta.xml"]:
            add(name, parts[name], True)
        add("META-INF/manifest.xml", manifest(version, ["content.xml", "styles.xml", "meta.xml"]),
            True)


if __name__ == "__main__":
    main(sys.argv)
