#!/usr/bin/python3
"""Drives Brevandoux running on Wayland over the accessibility bus: moves to the next card,
copies its description to the clipboard, reads the clipboard back by pasting it into the
description in edit mode, cancels, and presses "Quitter".

Usage: piloter_wayland.py PID  (the process id of the running program)
Exit status: 0 done, 1 a step failed."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gi.repository import GLib  # noqa: E402
from lire_fenetre import Atspi, application, attendre, par_nom, presser, texte  # noqa: E402


def fenetre_principale(app):
    for k in range(app.get_child_count()):
        enfant = app.get_child_at_index(k)
        if enfant is not None and enfant.get_role() == Atspi.Role.FRAME:
            return enfant
    raise AssertionError("pas de fenêtre principale sur le bus d'accessibilité")


def piloter(fenetre):
    position = par_nom(fenetre, Atspi.Role.TEXT, "position")
    description = par_nom(fenetre, Atspi.Role.TEXT, "Description")
    presser(fenetre, "fiche suivante")
    attendre(lambda: texte(position) == "1", "la position 1 après « fiche suivante »")
    attendre(lambda: texte(description) != "", "la description de la fiche 1")
    copie = texte(description)
    print("fiche 1, description de %d caractères" % len(copie))

    # Copied by the program to the Wayland clipboard, then pasted back from it by the program.
    Atspi.EditableText.copy_text(description, 0, description.get_character_count())
    presser(fenetre, "Modifier")
    attendre(lambda: not description.get_state_set().contains(Atspi.StateType.READ_ONLY),
             "l'entrée en édition")
    fin = description.get_character_count()
    Atspi.EditableText.paste_text(description, fin)
    attendre(lambda: texte(description) == copie + copie,
             "la description collée après elle-même (presse-papiers relu)")
    print("presse-papiers relu : la description collée après elle-même")
    presser(fenetre, "Annuler")
    attendre(lambda: texte(description) == copie, "la description rendue par « Annuler »")
    presser(fenetre, "Quitter")


def main():
    app = application(int(sys.argv[1]))
    if app is None:
        print("ÉCHEC : le programme n'est pas apparu sur le bus d'accessibilité", file=sys.stderr)
        return 1
    try:
        piloter(fenetre_principale(app))
    except (AssertionError, AttributeError, GLib.Error) as erreur:
        print("ÉCHEC : %s" % erreur, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
