#include "launcher/main_window.h"

#include "launcher/build_profile.h"
#include "toolkit/controls.h"
#include "toolkit/window.h"

namespace launcher {
namespace {

constexpr int WINDOW_X = 312;
constexpr int WINDOW_Y = 234;
constexpr DWORD WINDOW_FLAGS = 0;  // title bar only: no close box, no sizing

constexpr int TITLE_PICTURE_SIZE = 300;
constexpr int LOGO_PICTURE_WIDTH = 100;
constexpr int LOGO_PICTURE_HEIGHT = 64;

}  // namespace

HWND OpenMainWindow() {
  return reinterpret_cast<HWND>(toolkit::OpenNumberedWindow(
      MAIN_WINDOW, WINDOW_X, WINDOW_Y, buildProfile.innerWidth, buildProfile.innerHeight,
      WINDOW_FLAGS, buildProfile.windowTitle));
}

void CreateMainControls(HWND window, HANDLE titlePicture, HANDLE logoPicture) {
  const BuildProfile& p = buildProfile;
  const int column = p.buttonColumnX;
  toolkit::SetControlParent(window);
  toolkit::CreateImageControl(CONTROL_TITLE_PICTURE, p.titlePictureX, p.titlePictureY,
                              TITLE_PICTURE_SIZE, TITLE_PICTURE_SIZE, titlePicture);
  toolkit::CreateImageControl(CONTROL_LOGO_PICTURE, column, 10, LOGO_PICTURE_WIDTH,
                              LOGO_PICTURE_HEIGHT, logoPicture);
  toolkit::CreateButtonControl(CONTROL_START, column, 190, 100, 25, p.startText);
  toolkit::CreateButtonControl(CONTROL_BUY, column, 220, 100, 20, p.buyText);
  toolkit::CreateButtonControl(CONTROL_MANUAL, column, 245, 100, 20, p.manualText);
  toolkit::CreateButtonControl(CONTROL_WEBSITE, column, 270, 100, 20, p.websiteText);
  toolkit::CreateButtonControl(CONTROL_QUIT, column, 295, 100, 20, p.quitText);
  toolkit::CreateButtonControl(CONTROL_NEW_CHARACTER, p.characterButtonX, 130, 80, 18,
                               p.newCharacterText);
  toolkit::CreateButtonControl(CONTROL_DELETE_CHARACTER, p.characterButtonX, 155, 80, 18,
                               p.deleteCharacterText);
  toolkit::CreateComboBoxControl(CONTROL_CHARACTERS, p.comboBoxX, 100, 90, 100);
  toolkit::CreateFrameControl(CONTROL_CHARACTER_FRAME, column, 80, 100, 100, p.frameCaption,
                              toolkit::FRAME_GROUP_BOX);
}

}  // namespace launcher
