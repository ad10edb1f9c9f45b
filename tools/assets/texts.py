"""The dictionaries: English in strings/Dictionary.xml, German beside it in
strings/de/Dictionary.xml for the language switch."""

from xml.sax.saxutils import escape

CREDITS_EN = ("BRINDLEMOOR\n\nDesign and programming\nThe Brindlemoor team\n\nEngine\nMRX\n\n"
              "Pictures\nDrawn by our own tools\n\nLettering\nDejaVu fonts\n\nMusic and sounds\n"
              "Synthesised with SoX, encoded with Vorbis\n\nThank you for playing!")
CREDITS_DE = ("BRINDLEMOOR\n\nIdee und Programmierung\nDas Brindlemoor-Team\n\nEngine\nMRX\n\n"
              "Bilder\nMit eigenen Werkzeugen gezeichnet\n\nSchrift\nDejaVu\n\nMusik und Klänge\n"
              "Mit SoX erzeugt, mit Vorbis kodiert\n\nDanke fürs Spielen!")

# key: (English, German)
TEXTS = {
    "TitleName": ("Brindlemoor", "Brindlemoor"),
    "ThousandsDelimiter": (",", "."),
    "Loading": ("Loading...", "Wird geladen..."),
    "MainMenu_WelcomeTxt": ("Welcome to Brindlemoor, #p! The town is waiting for you.",
                            "Willkommen in Brindlemoor, #p! Die Stadt wartet auf dich."),
    "MainMenu_NewGame": ("Play", "Spielen"),
    "MainMenu_ChangePlayer": ("Change player", "Spieler wechseln"),
    "MainMenu_Options": ("Options", "Optionen"),
    "MainMenu_Credits": ("Credits", "Mitwirkende"),
    "MainMenu_Achievements": ("Achievements", "Erfolge"),
    "MainMenu_Quit": ("Quit", "Beenden"),
    "OkBtn": ("OK", "OK"),
    "Cancel": ("Cancel", "Abbrechen"),
    "Yes": ("Yes", "Ja"),
    "No": ("No", "Nein"),
    "Warning": ("Warning", "Hinweis"),
    "ProfilesDamaged": ("The saved players could not be read and were reset.",
                        "Die gespeicherten Spieler konnten nicht gelesen werden und wurden zurückgesetzt."),
    "SelectPlayer_Title": ("Players", "Spieler"),
    "SelectPlayer_New": ("New", "Neu"),
    "SelectPlayer_Delete": ("Delete", "Löschen"),
    "SelectPlayer_WantDelete": ("Delete this player?", "Diesen Spieler löschen?"),
    "NewPlayer_Title": ("New player", "Neuer Spieler"),
    "NewPlayer_Name": ("Your name:", "Dein Name:"),
    "NewPlayer_Tab1": ("Gentlemen", "Herren"),
    "NewPlayer_Tab2": ("Ladies", "Damen"),
    "ProfileNameWarning": ("Please enter a name that no other player has.",
                           "Bitte gib einen Namen ein, den noch kein Spieler hat."),
    "Options_Title": ("Options", "Optionen"),
    "Options_Sound": ("Sound volume", "Lautstärke Klänge"),
    "Options_Music": ("Music volume", "Lautstärke Musik"),
    "Options_SoundOn": ("Sounds", "Klänge"),
    "Options_MusicOn": ("Music", "Musik"),
    "Options_Fullscreen": ("Full screen", "Vollbild"),
    "Options_Cursor": ("System cursor", "System-Mauszeiger"),
    "Options_Tutorial": ("Tutorial", "Anleitung"),
    "Options_Wide": ("Wide screen", "Breitbild"),
    "Options_On": ("On", "An"),
    "Options_Off": ("Off", "Aus"),
    "Options_CantGoWindow": ("The screen is too small to play in a window.",
                             "Der Bildschirm ist zu klein für ein Fenster."),
    "WarningTutorialRestart": ("The tutorial starts when the level is played again.",
                               "Die Anleitung beginnt, wenn die Stufe neu gespielt wird."),
    "QuitConfirmation": ("Do you really want to quit?", "Willst du das Spiel wirklich beenden?"),
    "QuitConfirmationRemoveProgress": ("Do you really want to quit? The progress of this level will be lost.",
                                       "Willst du das Spiel wirklich beenden? Der Fortschritt dieser Stufe geht "
                                       "verloren."),
    "Credits_Title": ("Credits", "Mitwirkende"),
    "Credits_Text": (CREDITS_EN, CREDITS_DE),
    "Achievements_Title": ("Achievements", "Erfolge"),
    "Achievements_None": ("Finish levels with the top rank to earn achievements.",
                          "Beende Stufen mit dem besten Rang, um Erfolge zu sammeln."),
}


def dictionary(column):
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<Dictionary>"]
    for key, values in TEXTS.items():
        lines.append(f'\t<s n="{key}">{escape(values[column])}</s>')
    lines.append("</Dictionary>")
    return "\n".join(lines) + "\n"


def dictionaries():
    return {"strings/Dictionary.xml": dictionary(0), "strings/de/Dictionary.xml": dictionary(1)}
