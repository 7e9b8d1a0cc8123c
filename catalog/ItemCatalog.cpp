#include "ItemCatalog.h"

namespace catalog {

// Entry n names item id n. Names keep their leading space, underscores,
// backquotes and repeats: an entry is known by its position alone.
const std::array<std::string_view, kItemCount> kItemNames = {
    " Null",                // 0
    " Franklin badge",      // 1
    " Teddy bear",          // 2
    " Super plush bear",    // 3
    " Broken machine",      // 4
    " Broken gadget",       // 5
    " Broken air gun",      // 6
    " Broken spray can",    // 7
    " Broken laser",        // 8
    " Broken iron",         // 9
    " Broken pipe",         // 10
    " Broken cannon",       // 11
    " Broken tube",         // 12
    " Broken bazooka",      // 13
    " Broken trumpet",      // 14
    " Broken harmonica",    // 15
    " Broken antenna",      // 16
    " Cracked bat",         // 17
    " Tee ball bat",        // 18
    " Sand lot bat",        // 19
    " Minor league bat",    // 20
    " Mr. Baseball bat",    // 21
    " Big league bat",      // 22
    " Hall of fame bat",    // 23
    " Magicant bat",        // 24
    " Legendary bat",       // 25
    " Gutsy bat",           // 26
    " Casey bat",           // 27
    " Fry pan",             // 28
    " Thick fry pan",       // 29
    " Deluxe fry pan",      // 30
    " Chef's fry pan",      // 31
    " French fry pan",      // 32
    " Magic fry pan",       // 33
    " Holy fry pan",        // 34
    " Sword of kings",      // 35
    " Pop gun",             // 36
    " Stun gun",            // 37
    " Toy air gun",         // 38
    " Magnum air gun",      // 39
    " Zip gun",             // 40
    " Laser gun",           // 41
    " Hyper beam",          // 42
    " Crusher beam",        // 43
    " Spectrum beam",       // 44
    " Death ray",           // 45
    " Baddest beam",        // 46
    " Moon beam gun",       // 47
    " Gaia beam",           // 48
    " Yo_yo",               // 49
    " Slingshot",           // 50
    " Bionic slingshot",    // 51
    " Trick yo_yo",         // 52
    " Combat yo_yo",        // 53
    " Travel charm",        // 54
    " Great charm",         // 55
    " Crystal charm",       // 56
    " Rabbit's foot",       // 57
    " Flame pendant",       // 58
    " Rain pendant",        // 59
    " Night pendant",       // 60
    " Sea pendant",         // 61
    " Star pendant",        // 62
    " Cloak of kings",      // 63
    " Cheap bracelet",      // 64
    " Copper bracelet",     // 65
    " Silver bracelet",     // 66
    " Gold bracelet",       // 67
    " Platinum band",       // 68
    " Diamond band",        // 69
    " Pixie's bracelet",    // 70
    " Cherub's band",       // 71
    " Goddess band",        // 72
    " Bracer of kings",     // 73
    " Baseball cap",        // 74
    " Holmes hat",          // 75
    " Mr. Baseball cap",    // 76
    " Hard hat",            // 77
    " Ribbon",              // 78
    " Red ribbon",          // 79
    " Goddess ribbon",      // 80
    " Coin of slumber",     // 81
    " Coin of defense",     // 82
    " Lucky coin",          // 83
    " Talisman coin",       // 84
    " Shiny coin",          // 85
    " Souvenir coin",       // 86
    " Diadem of kings",     // 87
    " Cookie",              // 88
    " Bag of fries",        // 89
    " Hamburger",           // 90
    " Boiled egg",          // 91
    " Fresh Egg",           // 92
    " Picnic lunch",        // 93
    " Pasta di Summers",    // 94
    " Pizza",               // 95
    " Chef's special",      // 96
    " Large pizza",         // 97
    " PSI caramel",         // 98
    " Magic truffle",       // 99
    " Brain food lunch",    // 100
    " Rock candy",          // 101
    " Croissant",           // 102
    " Bread roll",          // 103
    " Pak of bubble gum",   // 104
    " Jar of Fly Honey",    // 105
    " Can of fruit juice",  // 106
    " Royal iced tea",      // 107
    " Protein drink",       // 108
    " Kraken soup",         // 109
    " Bottle of water",     // 110
    " Cold remedy",         // 111
    " Vial of serum",       // 112
    " IQ capsule",          // 113
    " Guts capsule",        // 114
    " Speed capsule",       // 115
    " Vital capsule",       // 116
    " Luck capsule",        // 117
    " Ketchup packet",      // 118
    " Sugar packet",        // 119
    " Tin of Cocoa",        // 120
    " Carton of cream",     // 121
    " Sprig of parsley",    // 122
    " Jar of hot sauce",    // 123
    " Salt packet",         // 124
    " Backstage pass",      // 125
    " Jar of delisauce",    // 126
    " Wet towel",           // 127
    " Refreshing herb",     // 128
    " Secret herb",         // 129
    " Horn of life",        // 130
    " Counter_PSI unit",    // 131
    " Shield killer",       // 132
    " Bazooka",             // 133
    " Heavy bazooka",       // 134
    " HP_sucker",           // 135
    " Hungry HP_sucker",    // 136
    " Xterminator spray",   // 137
    " Slime generator",     // 138
    " Yogurt dispenser",    // 139
    " Ruler",               // 140
    " Snake bag",           // 141
    " Mummy wrap",          // 142
    " Protractor",          // 143
    " Bottle rocket",       // 144
    " Big bottle rocket",   // 145
    " Multi`bottle rocket", // 146
    " Bomb",                // 147
    " Super bomb",          // 148
    " Insecticide spray",   // 149
    " Rust promoter",       // 150
    " Rust promoter DX",    // 151
    " Pair`of dirty socks", // 152
    " Stag beetle",         // 153
    " Toothbrush",          // 154
    " Handbag strap",       // 155
    " Pharaoh's curse",     // 156
    " Defense shower",      // 157
    " Letter from mom",     // 158
    " Sudden guts pill",    // 159
    " Bag of Dragonite",    // 160
    " Defense spray",       // 161
    " Piggy nose",          // 162
    " For Sale sign",       // 163
    " Shyness book",        // 164
    " Picture postcard",    // 165
    " King banana",         // 166
    " Letter from Tony",    // 167
    " Chick",               // 168
    " Chicken",             // 169
    " Key to the shack",    // 170
    " Key to the cabin",    // 171
    " Bad key machine",     // 172
    " Temporary goods",     // 173
    " Zombie paper",        // 174
    " Hawk eye",            // 175
    " Bicycle",             // 176
    " ATM card",            // 177
    " Show ticket",         // 178
    " Letter from kids",    // 179
    " Wad of bills",        // 180
    " Receiver phone",      // 181
    " Diamond",             // 182
    " Signed banana",       // 183
    " Pencil eraser",       // 184
    " Hieroglyph copy",     // 185
    " Meteotite",           // 186
    " Contact lens",        // 187
    " Hand_Aid",            // 188
    " Trout yogurt",        // 189
    " Banana",              // 190
    " Calorie stick",       // 191
    " Key to the tower",    // 192
    " Meteorite piece",     // 193
    " Earth pendant",       // 194
    " Neutralizer",         // 195
    " Sound Stone",         // 196
    " Exit mouse",          // 197
    " Gelato de resort",    // 198
    " Snake",               // 199
    " Viper",               // 200
    " Brain stone",         // 201
    " Town map",            // 202
    " Video relaxant",      // 203
    " Suporma",             // 204
    " Key to the locker",   // 205
    " Insignificant item",  // 206
    " Magic tart",          // 207
    " Tiny ruby",           // 208
    " Monkey's love",       // 209
    " Eraser eraser",       // 210
    " Tendakraut",          // 211
    " T_rex's bat",         // 212
    " Big league bat",      // 213
    " Ultimate bat",        // 214
    " Double beam",         // 215
    " Platinum band",       // 216
    " Diamond band",        // 217
    " Defense ribbon",      // 218
    " Talisman ribbon",     // 219
    " Saturn ribbon",       // 220
    " Coin of silence",     // 221
    " Charm coin",          // 222
    " Cup of noodles",      // 223
    " Skip sandwich",       // 224
    " Skip sandwich DX",    // 225
    " Lucky sandwich",      // 226
    " Lucky sandwich",      // 227
    " Lucky sandwich",      // 228
    " Lucky sandwich",      // 229
    " Lucky sandwich",      // 230
    " Lucky sandwich",      // 231
    " Cup of coffee",       // 232
    " Double burger",       // 233
    " Peanut cheese`bar",   // 234
    " Piggy jelly",         // 235
    " Bowl of rice gruel",  // 236
    " Bean croquette",      // 237
    " Molokheiya soup",     // 238
    " Plain roll",          // 239
    " Kabob",               // 240
    " Plain yogurt",        // 241
    " Beef jerky",          // 242
    " Mammoth burger",      // 243
    " Spicy jerky",         // 244
    " Luxury jerky",        // 245
    " Bottle of DXwater",   // 246
    " Magic pudding",       // 247
    " Non stick frypan",    // 248
    " Mr. Saturn coin",     // 249
    " Meteornium",          // 250
    " Popsicle",            // 251
    " Cup of Lifenoodles",  // 252
    " Carrot key",          // 253
    "null",                 // 254
    "null",                 // 255
};

} // namespace catalog
