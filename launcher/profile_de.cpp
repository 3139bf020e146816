#include "launcher/build_profile.h"

namespace launcher {

// Windows-1252: "\xF6" is o-umlaut, "\xE4" a-umlaut, "\xC4" capital A-umlaut.
constexpr BuildProfile buildProfile = {
    .windowTitle = "Velmora Starter",
    .startText = "Spiel starten",
    .buyText = "Kaufen",
    .manualText = "Anleitung",
    .websiteText = "Webseite",
    .quitText = "Beenden",
    .newCharacterText = "Neu",
    .deleteCharacterText = "L\xF6schen",
    .frameCaption = "Charakter: ",
    .errorTitle = "Fehler",
    .noSelectionText = "Kein Charakter ausgew\xE4hlt",
    .newCharacterTitle = "Charakter Name",
    .newCharacterPrompt = "Charakter Namen eingeben",
    .deleteTitle = "L\xF6schen",
    .deleteQuestion = "Soll der Charakter wirklich gel\xF6scht werden?",
    .cannotSaveText = "\xC4nderungen an der Charakterliste k\xF6nnen nicht gespeichert werden.",
    .saveFailedText = "Die Charakterliste konnte nicht gespeichert werden.",
    .gameArgumentPrefix = "-nj -d STARTER_USED -d GER ",
    .innerWidth = 460,
    .innerHeight = 350,
    .buttonColumnX = 340,
    .characterButtonX = 350,
    .comboBoxX = 345,
    .titlePictureX = 20,
    .titlePictureY = 20,
};

}  // namespace launcher
