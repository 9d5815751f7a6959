#include "core/options/layer_selection.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kvx {
namespace {

std::string Text(int32_t layer) {
    return "(" + std::to_string(layer) + ") Layer";
}

using Codes = LayerSelectionModel::Codes;

TEST(LayerSelection, DefaultListShowsAndRebuildsInOrder) {
    LayerSelectionModel model({1, -2, 3, 4, 5, 6, 7, 8, -9, -10}, Text);
    EXPECT_EQ(model.Selected().size(), 6u);
    EXPECT_EQ(model.Selected().front(), "(3) Layer");
    EXPECT_EQ(model.Available(),
              (std::vector<std::string>{"(2) Layer", "(9) Layer", "(10) Layer"}));
    EXPECT_EQ(model.Result(), (Codes{1, 3, 4, 5, 6, 7, 8, -2, -9, -10}));
}

TEST(LayerSelection, AllAndNone) {
    LayerSelectionModel model({-1, -2, 3, 4, 5, 6, 7, 8, -9, -10}, Text);
    model.None();
    EXPECT_FALSE(model.NoneEnabled());
    EXPECT_EQ(model.Result(), (Codes{1, -2, -3, -4, -5, -6, -7, -8, -9, -10}));
    model.All();
    EXPECT_FALSE(model.AllEnabled());
    EXPECT_EQ(model.Result(), (Codes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(LayerSelection, MovesKeepTheSelectionAndEnableButtons) {
    LayerSelectionModel model({1, -2, 3, 4, 5, 6, 7, 8, -9, -10}, Text);
    model.selectedRow = 0;
    EXPECT_FALSE(model.UpEnabled());
    EXPECT_TRUE(model.DownEnabled());
    model.Down();
    EXPECT_EQ(model.selectedRow, 1);
    EXPECT_EQ(model.Selected()[1], "(3) Layer");
    model.selectedRow = 5;
    EXPECT_FALSE(model.DownEnabled());
    EXPECT_TRUE(model.UpEnabled());

    // The last available item moved: the selection falls back onto the new last.
    model.availableRow = 2;
    model.Add();
    EXPECT_EQ(model.Selected().back(), "(10) Layer");
    EXPECT_EQ(model.availableRow, 1);
    model.Remove();  // row 5 of the selected list: layer 8
    EXPECT_EQ(model.Available().back(), "(8) Layer");
    EXPECT_EQ(model.selectedRow, 5);
    EXPECT_EQ(model.Result(), (Codes{1, 4, 3, 5, 6, 7, 10, -2, -9, -8}));

    model.availableRow = -1;
    EXPECT_FALSE(model.AddEnabled());
}

TEST(LayerSelection, ALayerKeepsItsNumberWhateverItsText) {
    LayerSelectionModel model({1, 2, 3, -4, 5, 6, 7, 8, 9, 10},
                              [](int32_t layer) { return layer == 4 ? "???" : Text(layer); });
    EXPECT_EQ(model.Available(), (std::vector<std::string>{"???"}));
    EXPECT_EQ(model.Result(), (Codes{1, 2, 3, 5, 6, 7, 8, 9, 10, -4}));
}

TEST(LayerSelection, CodesOfAHandEditedConfigurationAreRepaired) {
    struct Case {
        Codes codes;
        Codes normalized;
    };
    for (const Case& c : {
             // already sound: unchanged
             Case{{1, -2, 3, 4, 5, 6, 7, 8, -9, -10}, {1, -2, 3, 4, 5, 6, 7, 8, -9, -10}},
             // a repeat, codes 0, 12 and -22: the missing layers follow switched off
             Case{{1, 3, 3, 0, 12, -22, 7, 8, 2, -2}, {1, 3, 7, 8, 2, -4, -5, -6, -9, -10}},
             // layer 1 belongs in front only, whatever the first entry held
             Case{{-7, 1, -1, 10, 9, 8, 7, 6, 5, 4}, {1, 10, 9, 8, 7, 6, 5, 4, -2, -3}},
             // the extremes of the number range
             Case{{1, INT32_MIN, INT32_MAX, 2, 3, 4, 5, 6, 7, 8},
                  {1, 2, 3, 4, 5, 6, 7, 8, -9, -10}},
         }) {
        EXPECT_EQ(NormalizeLayerCodes(c.codes), c.normalized);
        // The dialog opened on them shows what it shows for the repaired codes.
        EXPECT_EQ(LayerSelectionModel(c.codes, Text).Result(),
                  LayerSelectionModel(c.normalized, Text).Result());
    }
}

}  // namespace
}  // namespace kvx
