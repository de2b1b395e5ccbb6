#!/usr/bin/env python3
"""Reads an exported web page with Python's HTML parser and prints what it holds as JSON:
the heading, and for each card its number, title, description, picture address and the
text naming a left-out picture. Exits with 1, naming the fault, when the page is not a
well-formed HTML5 document of that shape (unbalanced tags, markup inside a card's texts,
no UTF-8 declaration)."""

import json
import sys
from html.parser import HTMLParser

VIDES = {"meta", "img", "br", "link", "hr", "input"}
# The elements a card may hold: anything else inside one came from an unescaped text.
DANS_FICHE = {"h2", "span", "div", "img", "p"}


class Lecteur(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.pile = []
        self.fautes = []
        self.doctype = None
        self.charset = None
        self.titre = ""
        self.entete = None
        self.fiches = []
        self.champ = None  # where the text being read goes

    def handle_decl(self, decl):
        if self.doctype is None:
            self.doctype = decl

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if self.doctype is None:
            self.fautes.append("élément <%s> avant le doctype" % tag)
            self.doctype = ""
        fiche = self.fiches[-1] if self.fiches and "article" in self.pile else None
        if fiche is not None and tag not in DANS_FICHE:
            self.fautes.append("élément <%s> dans une fiche" % tag)
        if tag == "meta" and "charset" in a:
            self.charset = a["charset"]
        classe = a.get("class", "")
        if tag == "article":
            self.fiches.append({"id": a.get("id"), "numero": "", "titre": "", "description": "",
                                "src": None, "alt": None, "absente": None})
        elif fiche is not None and classe in ("numero", "titre", "description"):
            self.champ = (fiche, classe)
        elif fiche is not None and classe == "image-absente":
            fiche["absente"] = ""
            self.champ = (fiche, "absente")
        elif tag == "img" and fiche is not None:
            if fiche["src"] is not None:
                self.fautes.append("deux images dans une fiche")
            fiche["src"] = a.get("src")
            fiche["alt"] = a.get("alt")
        elif tag == "title":
            self.champ = ("titre-page", None)
        elif tag == "h1":
            self.entete = ""
            self.champ = ("entete", None)
        if tag not in VIDES:
            self.pile.append(tag)

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VIDES:
            self.pile.pop()

    def handle_endtag(self, tag):
        if tag in VIDES:
            return
        if not self.pile or self.pile[-1] != tag:
            self.fautes.append("</%s> ferme %s" % (tag, self.pile[-1] if self.pile else "rien"))
            if tag in self.pile:
                while self.pile.pop() != tag:
                    pass
            return
        self.pile.pop()
        self.champ = None

    def handle_data(self, data):
        if self.champ is None:
            if data.strip() and "article" in self.pile:
                self.fautes.append("texte hors champ dans une fiche : %r" % data)
            return
        cible, cle = self.champ
        if cible == "titre-page":
            self.titre += data
        elif cible == "entete":
            self.entete += data
        else:
            cible[cle] += data


def main():
    with open(sys.argv[1], "rb") as f:
        octets = f.read()
    try:
        texte = octets.decode("utf-8")
    except UnicodeDecodeError as e:
        print("la page n'est pas en UTF-8 : %s" % e, file=sys.stderr)
        return 1
    lecteur = Lecteur()
    lecteur.feed(texte)
    lecteur.close()
    if (lecteur.doctype or "").lower() != "doctype html":
        lecteur.fautes.append("doctype : %r" % lecteur.doctype)
    if (lecteur.charset or "").lower() != "utf-8":
        lecteur.fautes.append("charset : %r" % lecteur.charset)
    if lecteur.pile:
        lecteur.fautes.append("éléments non fermés : %s" % lecteur.pile)
    if lecteur.fautes:
        print("\n".join(lecteur.fautes), file=sys.stderr)
        return 1
    json.dump({"titre": lecteur.titre, "entete": lecteur.entete, "fiches": lecteur.fiches},
              sys.stdout, ensure_ascii=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
