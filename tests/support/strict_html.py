#!/usr/bin/python3
"""Exits 0 when the HTML file at argv[1] is well formed: a doctype, and every element that is not
a void element closed in order. Prints what is wrong otherwise."""
import html.parser
import sys

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source",
        "track", "wbr"}


class Strict(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.open = []
        self.problems = []
        self.doctype = False

    def handle_decl(self, decl):
        self.doctype = self.doctype or decl.lower() == "doctype html"

    def handle_starttag(self, tag, attrs):
        if tag not in VOID:
            self.open.append(tag)

    def handle_endtag(self, tag):
        if not self.open or self.open.pop() != tag:
            self.problems.append("</%s> closes nothing open" % tag)


parser = Strict()
with open(sys.argv[1], encoding="utf-8") as page:
    parser.feed(page.read())
parser.close()
if not parser.doctype:
    parser.problems.append("no <!DOCTYPE html>")
parser.problems += ["<%s> never closed" % tag for tag in parser.open]
print("\n".join(parser.problems))
sys.exit(1 if parser.problems else 0)
