#include "StoreCatalog.h"

namespace catalog {

// Entry n names store number n, record n of the store table.
const std::array<std::string_view, kStoreNameCount> kStoreNames = {
    "Onett Drugstore 1",                 // 0
    "Onett Drugstore 2",                 // 1
    "Gelato Stand",                      // 2
    "Onett Burger Shop",                 // 3
    "Twoson Dept Store Bakery",          // 4
    "Twoson Dept Store Burger Shop",     // 5
    "Onett Bakery",                      // 6
    "Twoson Dept Store General Shop 1",  // 7
    "Twoson Dept Store General Shop 2",  // 8
    "Magic Tart Stand",                  // 9
    "Burglin Park Junk Stand",           // 10
    "Burglin Park Ruler Stand",          // 11
    "Burglin Park Egg Stand",            // 12
    "Burglin Park Bakery Stand",         // 13
    "Banana stand Burglin Park",         // 14
    "Happy Happy Village Drugstore?",    // 15
    "Threed Drugstore 1",                // 16
    "Threed Drugstore 2",                // 17
    "Threed Arms Dealer",                // 18
    "Threed Bakery",                     // 19
    "Scaraba Desert Water Store",        // 20
    "Winters Drugstore",                 // 21
    "Saturn Valley Store 2",             // 22
    "Dusty Dunes Drugstore 1",           // 23
    "Dusty Dunes Arms Dealer",           // 24
    "Fourside Bakery",                   // 25
    "Fourside Dept. Store Tool Shop",    // 26
    "Fourside Dept. Store 3rd level",    // 27
    "Fourside Dept. Store Food Shop",    // 28
    "Burglin Park Spice Stand 1?",       // 29
    "Fourside Dept. Store Toy Store",    // 30
    "Fourside Dept. Store Sports Shop",  // 31
    "Fourside Dept. Store Burger Shop",  // 32
    "Fourside Dept. Store Arms Dealer",  // 33
    "Fourside Back Alley Shop",          // 34
    "Magicant Store",                    // 35
    "Unknown 1",                         // 36
    "Summers Shop",                      // 37
    "Toto Store",                        // 38
    "Summers Restaurant",                // 39
    "Scaraba Drugstore",                 // 40
    "Unknown 2",                         // 41
    "Scaraba Store 1",                   // 42
    "Scaraba Store 2",                   // 43
    "Scaraba Arms Dealer",               // 44
    "Deep Darkness Businessman",         // 45
    "Tenda Store",                       // 46
    "Happy Happy Village store 1",       // 47
    "Happy Happy Village store 2",       // 48
    "Saturn Valley Pendant Peddler",     // 49
    "Pyramid Shop",                      // 50
    "Deep Darkness Arms Dealer",         // 51
    "Lost Underworld Store",             // 52
    "Fourside Dept. Store Spice Stand?", // 53
    "Happy Happy Village Drugstore",     // 54
    "Grapefruit Falls Shop",             // 55
    "Saturn Valley Store",               // 56
    "Dusty Dunes Drugstore 2",           // 57
    "Dusty Dunes Gold Mine Store",       // 58
    "Unknown 3",                         // 59
    "Dalaam Restaurant",                 // 60
    "Scaraba Store MAT",                 // 61
    "Scaraba Spice Stand?",              // 62
    "Unknown 4",                         // 63
    "Dr. Andonut's Caveman Store",       // 64
};

} // namespace catalog
