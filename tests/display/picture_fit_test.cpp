#include <gtest/gtest.h>

#include "display/picture_fit.h"

using namespace zul;

namespace {

struct FitCase {
    const char* name;
    QSize picture;
    QSize viewer;
    bool stretch;
    bool proportional;
    QRect expected;
};

const QSize kViewer(1024, 700);

// clang-format off
const FitCase kCases[] = {
    // Own size, centred; a larger picture is cut equally and the halves truncate toward
    // zero (-3/2 is -1, not -2).
    {"own size centred",            {101, 51},    kViewer, false, false, {461, 324, 101, 51}},
    {"own size larger than viewer", {1100, 800},  kViewer, false, false, {-38, -50, 1100, 800}},
    {"odd overflow truncates",      {1027, 703},  kViewer, false, false, {-1, -1, 1027, 703}},
    {"zero width kept as is",       {0, 300},     kViewer, false, false, {512, 200, 0, 300}},
    // Proportional without stretch: scaled only when it does not fit.
    {"fits: own size",              {400, 300},   kViewer, false, true,  {312, 200, 400, 300}},
    {"exactly the viewer",          {1024, 700},  kViewer, false, true,  {0, 0, 1024, 700}},
    {"too wide: scaled down",       {2100, 700},  kViewer, false, true,  {0, 179, 1024, 341}},
    {"too high: scaled down",       {350, 1400},  kViewer, false, true,  {424, 0, 175, 700}},
    {"empty picture fits",          {0, 0},       kViewer, false, true,  {512, 350, 0, 0}},
    {"zero width too high: fills",  {0, 900},     kViewer, false, true,  {0, 0, 1024, 700}},
    // Stretch without proportional: always the whole viewer.
    {"stretch small",               {10, 10},     kViewer, true,  false, {0, 0, 1024, 700}},
    {"stretch large",               {4000, 100},  kViewer, true,  false, {0, 0, 1024, 700}},
    // Stretch and proportional: largest fit, up or down.
    {"landscape limited by height", {1600, 1200}, kViewer, true,  true,  {45, 0, 933, 700}},
    {"landscape limited by width",  {2000, 500},  kViewer, true,  true,  {0, 222, 1024, 256}},
    {"portrait scaled up",          {300, 600},   kViewer, true,  true,  {337, 0, 350, 700}},
    {"square takes the height",     {500, 500},   kViewer, true,  true,  {162, 0, 700, 700}},
    {"portrait limited by width",   {600, 1000},  {500, 900}, true, true, {0, 33, 500, 833}},
    {"zero height fills",           {300, 0},     kViewer, true,  true,  {0, 0, 1024, 700}},
    {"empty viewer",                {100, 100},   {0, 0},  true,  true,  {0, 0, 0, 0}},
    // Scaled sides are truncated, never rounded, also for fractions of .5 and above:
    // 700 x 300 / 800 = 262.5, 1024 x 768 / 1366 = 575.7, 1024 x 1081 / 1920 = 576.5,
    // 700 x 1600 / 1201 = 932.6, 700 x 1000 / 999 = 700.7, 1024 x 1025 / 2048 = 512.5,
    // 500 x 1003 / 600 = 835.8.
    {"portrait .5 truncated",       {300, 800},   kViewer, true,  true,  {381, 0, 262, 700}},
    {"landscape .7 truncated",      {1366, 768},  kViewer, true,  true,  {0, 62, 1024, 575}},
    {"landscape .53 truncated",     {1920, 1081}, kViewer, true,  true,  {0, 62, 1024, 576}},
    {"height-bound .56 truncated",  {1600, 1201}, kViewer, true,  true,  {46, 0, 932, 700}},
    {"nearly square .7 truncated",  {1000, 999},  kViewer, true,  true,  {162, 0, 700, 700}},
    {"scaled down .5 truncated",    {2048, 1025}, kViewer, false, true,  {0, 94, 1024, 512}},
    {"width-bound .83 truncated",   {600, 1003},  {500, 900}, true, true, {0, 32, 500, 835}},
    // A side that comes out whole stays whole: 700 x 1.4 is exactly 980, which a quotient
    // taken in floating point gives as 979.99... and truncates to 979.
    {"exact 7:5 up",                {1400, 1000}, kViewer, true,  true,  {22, 0, 980, 700}},
    {"exact 7:5 down",              {2800, 2000}, kViewer, false, true,  {22, 0, 980, 700}},
    {"exact 7:10 portrait",         {700, 1000},  kViewer, true,  true,  {267, 0, 490, 700}},
    {"exact 7:5 at 1280 x 720",     {7000, 5000}, {1280, 720}, true, true, {136, 0, 1008, 720}},
    {"exact 11:15 at 800 x 600",    {1100, 1500}, {800, 600}, true, true, {180, 0, 440, 600}},
};
// clang-format on

}  // namespace

TEST(FitPicture, PlacesThePictureForEveryOptionPair) {
    for (const FitCase& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fitPicture(c.picture, c.viewer, c.stretch, c.proportional), c.expected);
    }
}
