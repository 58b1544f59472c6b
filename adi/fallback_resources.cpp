// The X resources installed as the toolkit's fallback resources: the look of
// the driver's windows when no resource file says otherwise.
#include <array>
#include <cstddef>

#include "adi/main_loop.h"

namespace {

// The windows' places and sizes.
constexpr const char *kGeometry[] = {
    "AutoCAD-Graph.geometry:\t800x600+200+0",
    "AutoCAD-Render.geometry:\t640x480+50+100",
    "AutoCAD-Text.geometry:\t720x360+0+400",
};

// The first program's font sets, Japanese first.
constexpr const char *kFontSets[] = {
    "AutoCAD-Graph*MenuBar*fontList:\t--mincho-*--16-*,-*--16-*",
    "AutoCAD-Graph*fontList:\t--mincho-*--16-*,-*--16-*",
    "AutoCAD-Text*fontList:\t--mincho-*--16-*,-*--16-*",
};

// The second program's single ISO 8859-1 fonts, widget by widget.
constexpr const char *kSingleFonts[] = {
    "*XmLabel.fontList:\t-*-courier-bold-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmLabelGadget.fontList:\t-*-courier-bold-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmScale*fontList:\t-*-courier-bold-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmBulletinBoard*labelFontList:\t-*-courier-bold-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*optionMenu.XmLabelGadget*fontList:\t-*-courier-bold-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmPushButton.fontList:\t-*-courier-medium-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmPushButtonGadget.fontList:\t-*-courier-medium-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmToggleButton.fontList:\t-*-courier-medium-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmToggleButtonGadget.fontList:\t-*-courier-medium-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*optionMenu.fontList:\t-*-courier-medium-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmIconGadget.fontList:\t-*-courier-medium-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmBulletinBoard*buttonFontList:\t-*-courier-medium-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmList.fontList:\t-*-screen-medium-r-normal--16-*-*-*-*-*-iso8859-1",
    "*MenuBar*fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*optionPane*fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmMenuShell*XmPushButton.fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmMenuShell*XmLabelGadget.fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmMenuShell*XmLabel.fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmMenuShell*XmPushButtonGadget.fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmMenuShell*XmCascadeButton.fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmMenuShell*XmCascadeButtonGadget.fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmMenuShell*XmToggleButton.fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmMenuShell*XmToggleButtonGadget.fontList:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*XmText.fontList:\t-*-screen-medium-r-normal--16-*-*-*-*-*-iso8859-1",
    "*XmTextField.fontList:\t-*-screen-medium-r-normal--16-*-*-*-*-*-iso8859-1",
    "*boldLabelFont:\t-*-courier-bold-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*smallBoldLabelFont:\t-*-courier-bold-r-normal-*-12-*-*-*-*-*-iso8859-1",
    "*tinyBoldLabelFont:\t-*-courier-bold-r-normal-*-10-*-*-*-*-*-iso8859-1",
    "*plainLabelFont:\t-*-courier-medium-r-normal-*-14-*-*-*-*-*-iso8859-1",
    "*smallPlainLabelFont:\t-*-courier-medium-r-normal-*-12-*-*-*-*-*-iso8859-1",
    "*obliqueLabelFont:\t-*-helvetica-bold-o-normal-*-14-*-*-*-*-*-iso8859-1",
    "*smallObliqueLabelFont:\t-*-helvetica-bold-o-normal-*-12-*-*-*-*-*-iso8859-1",
    "*fixedWidthFont:\t-*-screen-medium-r-normal--16-*-*-*-*-*-iso8859-1",
    "*smallFixedWidthFont:\t-*-screen-medium-r-normal--14-*-*-*-*-*-iso8859-1",
};

// Colours and margins of both programs.
constexpr const char *kShared[] = {
    "*foreground:\t#000000",
    "*background:\t#a3a3a3",
    "*XmScrollBar*foreground:\t#a3a3a3",
    "*XmList*background:\t#666666",
    "*XmPushButton*background:\t#666666",
    "*XmText.background:\t#999999",
    "*XmTextField.background:\t#b98e8e",
    "*readOnlyBackground:\t#b98e8e",
    "*troughColor:\t#a3a3a3",
    "*fillOnSelect:\tTrue",
    "*selectColor:\t#ffff00",
    "*visibleWhenOff:\tTrue",
    "*XmSelectionBox.background:\t#a3a3a3",
    "*XmSelectionBox*XmText*background:\t#b98e8e",
    "*XmMessageBox.background:\t#a3a3a3",
    "*XmDialogShell*XmPushButton*background:\t#a3a3a3",
    "*XmMenuShell*background:\t#a3a3a3",
    "*highlightColor:\t#000000",
    "*XmDrawingArea.background:\t#608189",
    "*XmScrolledWindow.topShadowColor:\t#ffffff",
    "*XmText.topShadowColor:\t#ffffff",
    "*bottomShadowColor:\t#232323",
    "*basicBackground:\t#a3a3a3",
    "*textForeground:\t#000000",
    "*textBackground:\t#8e8e8e",
    "*textFieldBackground:\t#b98e8e",
    "*scrolledListBackground:\t#666666",
    "*ScrollBarTroughColor:\t#666666",
    "*buttonBackground:\t#999999",
    "*selectFillColor:\t#ffff00",
    "*drawingAreaBackground:\t#608189",
    "*disabledTextForeground:\t#808080",
    "*radioFillColor:\t#0000ff",
    "*lightRadioFillColor:\t#7171c6",
    "*checkColor:\t#ff0000",
    "*disabledCheckColor:\t#c67171",
    "*textSelectedBackground:\t#d5d5d5",
    "*textSelectedForeground:\t#000000",
    "*indicatorLightColor:\t#ffff00",
    "*XmPushButton*marginHeight:\t4",
    "*XmPushButton*marginWidth:\t7",
    "*optionMenu*marginHeight:\t0",
    "*optionMenu*marginTop:\t5",
    "*optionMenu*marginBottom:\t5",
    "*optionMenu*marginWidth:\t0",
    "*optionPane*XmPushButton*marginHeight:\t1",
    "*optionPane*XmPushButton*marginWidth:\t1",
    "*optionPane*XmPushButton*marginLeft:\t3",
    "*optionPane*XmPushButton*marginRight:\t3",
    "*XmList*listMarginWidth:\t3",
    "*MenuBar*marginHeight:\t1",
    "*MenuBar.marginHeight:\t0",
    "*MenuBar*marginLeft:\t1",
    "*MenuBar.spacing:\t1",
    "*XmMenuShell*marginLeft:\t3",
    "*XmMenuShell*marginRight:\t4",
    "*XmMenuShell*XmToggleButtonGadget*spacing:\t2",
    "*XmMenuShell*XmToggleButtonGadget*marginHeight:\t0",
    "*XmMenuShell*XmToggleButtonGadget*indicatorSize:\t10",
    "*XmMenuShell*XmLabelGadget*marginHeight:\t4",
    "*XmToggleButtonGadget*spacing:\t4",
    "*XmToggleButton*spacing:\t4",
    "*XmScrolledWindow.spacing:\t0",
    "*XmScrollBar*width:\t18",
    "*XmScrollBar*height:\t18",
    "*XmText*marginHeight:\t4",
    "*mappingDelay:\t10",
};

template <std::size_t G, std::size_t F, std::size_t S>
constexpr std::array<const char *, G + F + S + 1> join(const char *const (&geometry)[G], const char *const (&fonts)[F],
                                                       const char *const (&shared)[S]) {
  std::array<const char *, G + F + S + 1> lines{};
  std::size_t n = 0;
  for (const char *line : geometry) lines[n++] = line;
  for (const char *line : fonts) lines[n++] = line;
  for (const char *line : shared) lines[n++] = line;
  lines[n] = nullptr;
  return lines;
}

constexpr auto kLines = [] {
  if constexpr (kSecondBuild)
    return join(kGeometry, kSingleFonts, kShared);
  else
    return join(kGeometry, kFontSets, kShared);
}();
static_assert(kLines.size() == kFallbackResourceCount + 1);

}  // namespace

const char *const *const fallback_resources = kLines.data();
