#!/usr/bin/python3
"""Walks the main window of Brevandoux over the accessibility bus (AT-SPI), as a screen
reader reads it, prints the role and name of every control, and fails when a text box, a
list, a button or a spinner has no name. Then it presses the spinner's "fiche suivante" and
"Modifier" through the bus, as a screen reader user would, and checks that the position, the
picture's description and the read-only and disabled states follow.

Usage: lire_fenetre.py PID  (the process id of the running program)
Exit status: 0 all named, 1 some unnamed or window not found."""

import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

# The roles a user moves to and must hear named.
ROLES_NOMMES = {
    Atspi.Role.TEXT, Atspi.Role.ENTRY, Atspi.Role.PASSWORD_TEXT, Atspi.Role.LIST,
    Atspi.Role.LIST_BOX, Atspi.Role.TREE, Atspi.Role.TABLE, Atspi.Role.PUSH_BUTTON,
    Atspi.Role.TOGGLE_BUTTON, Atspi.Role.SPIN_BUTTON, Atspi.Role.IMAGE,
}


def application(pid, delai=30.0):
    fin = time.monotonic() + delai
    while time.monotonic() < fin:
        bureau = Atspi.get_desktop(0)
        for k in range(bureau.get_child_count()):
            app = bureau.get_child_at_index(k)
            try:
                if app is not None and app.get_process_id() == pid and app.get_child_count() > 0:
                    return app
            except gi.repository.GLib.Error:
                pass
        time.sleep(0.2)
    return None


def etats(objet):
    ensemble = objet.get_state_set()
    noms = [n for n, s in (("read-only", Atspi.StateType.READ_ONLY),
                           ("editable", Atspi.StateType.EDITABLE))
            if ensemble.contains(s)]
    if not ensemble.contains(Atspi.StateType.SENSITIVE):
        noms.append("insensitive")
    return noms


def etiquettes(objet):
    noms = []
    for relation in objet.get_relation_set():
        if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
            for k in range(relation.get_n_targets()):
                noms.append(relation.get_target(k).get_name())
    return noms


def parcourir(objet, profondeur, lignes, sans_nom):
    role = objet.get_role()
    # A list's lines are read as the list's items, not as controls of the window.
    if role in (Atspi.Role.LIST_ITEM, Atspi.Role.TABLE_CELL):
        return
    nom = objet.get_name() or ""
    description = objet.get_description() or ""
    ligne = "%s%s « %s »" % ("  " * profondeur, objet.get_role_name(), nom)
    if description:
        ligne += " — description « %s »" % description
    lien = etiquettes(objet)
    if lien:
        ligne += " — étiquette « %s »" % ", ".join(lien)
    if role in (Atspi.Role.TEXT, Atspi.Role.ENTRY):
        ligne += " — valeur « %s »" % objet.get_text(0, objet.get_character_count())
    drapeaux = etats(objet)
    if drapeaux:
        ligne += " [%s]" % ", ".join(drapeaux)
    lignes.append(ligne)
    if role in ROLES_NOMMES and not nom.strip():
        sans_nom.append(ligne.strip())
    for k in range(objet.get_child_count()):
        enfant = objet.get_child_at_index(k)
        if enfant is not None:
            parcourir(enfant, profondeur + 1, lignes, sans_nom)


def par_nom(racine, role, nom):
    """The first control of that role and name under racine, or None."""
    if racine.get_role() == role and racine.get_name() == nom:
        return racine
    if racine.get_role() in (Atspi.Role.LIST, Atspi.Role.MENU_BAR):
        return None
    for k in range(racine.get_child_count()):
        enfant = racine.get_child_at_index(k)
        trouve = par_nom(enfant, role, nom) if enfant is not None else None
        if trouve is not None:
            return trouve
    return None


def presser(fenetre, nom):
    bouton = par_nom(fenetre, Atspi.Role.PUSH_BUTTON, nom)
    if bouton is None:
        raise AssertionError("bouton « %s » introuvable" % nom)
    # A button's first action is "Press" (its name is read through a deprecated call only);
    # what the press does is checked by the caller.
    if Atspi.Action.get_n_actions(bouton) < 1 or not Atspi.Action.do_action(bouton, 0):
        raise AssertionError("le bouton « %s » ne se presse pas" % nom)


def attendre(condition, quoi, delai=10.0):
    fin = time.monotonic() + delai
    while time.monotonic() < fin:
        if condition():
            return
        time.sleep(0.1)
    raise AssertionError("jamais vu : " + quoi)


def texte(objet):
    return objet.get_text(0, objet.get_character_count())


def manipuler(fenetre):
    """What a screen reader user hears change when moving to the next card and editing it."""
    position = par_nom(fenetre, Atspi.Role.TEXT, "position")
    titre = par_nom(fenetre, Atspi.Role.TEXT, "Titre")
    description = par_nom(fenetre, Atspi.Role.TEXT, "Description")
    image = par_nom(fenetre, Atspi.Role.IMAGE, "image de la fiche")
    modifier = par_nom(fenetre, Atspi.Role.PUSH_BUTTON, "Modifier")
    avant = image.get_description()
    presser(fenetre, "fiche suivante")
    attendre(lambda: texte(position) == "1", "la position 1 après « fiche suivante »")
    attendre(lambda: image.get_description() != avant, "la description de l'image changer")
    print("après « fiche suivante » : position « %s », titre « %s », image « %s »"
          % (texte(position), texte(titre), image.get_description()))

    def lecture_seule(objet):
        return objet.get_state_set().contains(Atspi.StateType.READ_ONLY)

    def sensible(objet):
        return objet.get_state_set().contains(Atspi.StateType.SENSITIVE)

    if not (lecture_seule(titre) and lecture_seule(description) and sensible(modifier)):
        raise AssertionError("hors édition, titre et description en lecture seule attendus")
    presser(fenetre, "Modifier")
    attendre(lambda: not lecture_seule(titre) and not lecture_seule(description)
             and not sensible(modifier), "l'entrée en édition (lecture seule levée, Modifier désactivé)")
    print("en édition : titre %s, description %s, Modifier %s"
          % tuple(", ".join(etats(o)) or "-" for o in (titre, description, modifier)))
    presser(fenetre, "Annuler")
    attendre(lambda: lecture_seule(titre) and lecture_seule(description) and sensible(modifier),
             "la sortie d'édition (lecture seule rendue, Modifier réactivé)")
    print("après « Annuler » : titre %s, description %s, Modifier %s"
          % tuple(", ".join(etats(o)) or "-" for o in (titre, description, modifier)))


def main():
    pid = int(sys.argv[1])
    app = application(pid)
    if app is None:
        print("ÉCHEC : le programme n'est pas apparu sur le bus d'accessibilité", file=sys.stderr)
        return 1
    fenetre = None
    for k in range(app.get_child_count()):
        enfant = app.get_child_at_index(k)
        if enfant is not None and enfant.get_role() == Atspi.Role.FRAME:
            fenetre = enfant
    if fenetre is None:
        print("ÉCHEC : pas de fenêtre principale sur le bus d'accessibilité", file=sys.stderr)
        return 1
    lignes, sans_nom = [], []
    parcourir(fenetre, 0, lignes, sans_nom)
    print("\n".join(lignes))
    comptes = {}
    for ligne in lignes:
        role = ligne.strip().split(" «")[0]
        comptes[role] = comptes.get(role, 0) + 1
    print("lus : " + ", ".join("%d %s" % (n, r) for r, n in sorted(comptes.items())))
    if sans_nom:
        print("ÉCHEC : %d contrôles sans nom :" % len(sans_nom), file=sys.stderr)
        for ligne in sans_nom:
            print("  " + ligne, file=sys.stderr)
        return 1
    # Too few controls read means the walk saw an empty window, not a named one.
    attendus = {"text": 7, "list": 1, "push button": 21}
    for role, n in attendus.items():
        if comptes.get(role, 0) < n:
            print("ÉCHEC : %d « %s » lus, %d attendus" % (comptes.get(role, 0), role, n),
                  file=sys.stderr)
            return 1
    try:
        manipuler(fenetre)
    except (AssertionError, AttributeError, gi.repository.GLib.Error) as erreur:
        print("ÉCHEC : %s" % erreur, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
