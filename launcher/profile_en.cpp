#include "launcher/build_profile.h"

namespace launcher {

constexpr BuildProfile buildProfile = {
    .windowTitle = "Velmora Starter",
    .startText = "Start Game",
    .buyText = "Buy",
    .manualText = "Manual",
    .websiteText = "Website",
    .quitText = "Quit",
    .newCharacterText = "New",
    .deleteCharacterText = "Delete",
    .frameCaption = "Character: ",
    .errorTitle = "Error",
    .noSelectionText = "Choose a Character",
    .newCharacterTitle = "Character name",
    .newCharacterPrompt = "Enter Character name",
    .deleteTitle = "Delete",
    .deleteQuestion = "Do you really want to delete this Character?",
    .cannotSaveText = "Changes to the character list cannot be saved.",
    .saveFailedText = "The character list could not be saved.",
    .gameArgumentPrefix = "-nj -d STARTER_USED ",
    .innerWidth = 450,
    .innerHeight = 320,
    .buttonColumnX = 330,
    .characterButtonX = 340,
    .comboBoxX = 335,
    .titlePictureX = 10,
    .titlePictureY = 10,
};

}  // namespace launcher
