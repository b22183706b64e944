#pragma once
// The exact bytes of ledeffect.xml and sidemodel.xml as the program writes their defaults.

namespace testsupport {

inline constexpr const char* kDefaultLedEffectFile =
    "<?xml version=\"1.0\"?>\n"
    "<effect sel=\"20\">\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "\t<item speed=\"0\" brightness=\"5\" deriction=\"0\" selection=\"0\" />\n"
    "</effect>\n";

inline constexpr const char* kDefaultSideModelFile =
    "<?xml version=\"1.0\"?>\n"
    "<effect sel=\"0\">\n"
    "\t<item brightness=\"4\" />\n"
    "\t<item brightness=\"4\" />\n"
    "\t<item brightness=\"4\" />\n"
    "\t<item brightness=\"7\" />\n"
    "\t<item brightness=\"7\" />\n"
    "\t<item brightness=\"7\" />\n"
    "\t<item brightness=\"7\" />\n"
    "\t<item brightness=\"7\" />\n"
    "\t<item brightness=\"7\" />\n"
    "\t<item brightness=\"7\" />\n"
    "\t<item brightness=\"7\" />\n"
    "\t<item brightness=\"7\" />\n"
    "</effect>\n";

}  // namespace testsupport
