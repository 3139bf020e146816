#include "launcher/build_profile.h"

namespace launcher {

// "\xF6" is the Windows-1252 o-umlaut, "\xE4" the a-umlaut.
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
    .noSelectionTitle = "Fehler",
    .noSelectionText = "Kein Charakter ausgew\xE4hlt",
    .newCharacterTitle = "Charakter Name",
    .newCharacterPrompt = "Charakter Namen eingeben",
    .deleteTitle = "L\xF6schen",
    .deleteQuestion = "Soll der Charakter wirklich gel\xF6scht werden?",
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
