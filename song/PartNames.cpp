// PartNames: the table of program and drum kit names, and which entry a channel shows.
#include "song/PartNames.h"

#include "text/MessageCatalog.h"

namespace {

const char *const partNames[kPartNameCount] = {
    TrNoop("Acoustic Grand Piano"),    // 0
    TrNoop("Bright Acoustic Piano"),   // 1
    TrNoop("Electric Grand Piano"),    // 2
    TrNoop("Honky-tonk Piano"),        // 3
    TrNoop("Electric Piano 1"),        // 4
    TrNoop("Electric Piano 2"),        // 5
    TrNoop("Harpsichord"),             // 6
    TrNoop("Clavinet"),                // 7
    TrNoop("Celesta"),                 // 8
    TrNoop("Glockenspiel"),            // 9
    TrNoop("Music Box"),               // 10
    TrNoop("Vibraphone"),              // 11
    TrNoop("Marimba"),                 // 12
    TrNoop("Xylophone"),               // 13
    TrNoop("Tubular Bells"),           // 14
    TrNoop("Dulcimer"),                // 15
    TrNoop("Drawbar Organ"),           // 16
    TrNoop("Percussive Organ"),        // 17
    TrNoop("Rock Organ"),              // 18
    TrNoop("Church Organ"),            // 19
    TrNoop("Reed Organ"),              // 20
    TrNoop("Accordion"),               // 21
    TrNoop("Harmonica"),               // 22
    TrNoop("Tango Accordion"),         // 23
    TrNoop("Acoustic Guitar (nylon)"), // 24
    TrNoop("Acoustic Guitar (steel)"), // 25
    TrNoop("Electric Guitar (jazz)"),  // 26
    TrNoop("Electric Guitar (clean)"), // 27
    TrNoop("Electric Guitar (muted)"), // 28
    TrNoop("Overdriven Guitar"),       // 29
    TrNoop("Distortion Guitar"),       // 30
    TrNoop("Guitar Harmonics"),        // 31
    TrNoop("Acoustic Bass"),           // 32
    TrNoop("Electric Bass (finger)"),  // 33
    TrNoop("Electric Bass (pick)"),    // 34
    TrNoop("Fretless Bass"),           // 35
    TrNoop("Slap Bass 1"),             // 36
    TrNoop("Slap Bass 2"),             // 37
    TrNoop("Synth Bass 1"),            // 38
    TrNoop("Synth Bass 2"),            // 39
    TrNoop("Violin"),                  // 40
    TrNoop("Viola"),                   // 41
    TrNoop("Cello"),                   // 42
    TrNoop("Contrabass"),              // 43
    TrNoop("Tremolo Strings"),         // 44
    TrNoop("Pizzicato Strings"),       // 45
    TrNoop("Orchestral Harp"),         // 46
    TrNoop("Timpani"),                 // 47
    TrNoop("String Ensemble 1"),       // 48
    TrNoop("String Ensemble 2"),       // 49
    TrNoop("Synth Strings 1"),         // 50
    TrNoop("Synth Strings 2"),         // 51
    TrNoop("Choir Aahs"),              // 52
    TrNoop("Voice Oohs"),              // 53
    TrNoop("Synth Voice"),             // 54
    TrNoop("Orchestra Hit"),           // 55
    TrNoop("Trumpet"),                 // 56
    TrNoop("Trombone"),                // 57
    TrNoop("Tuba"),                    // 58
    TrNoop("Muted Trumpet"),           // 59
    TrNoop("French Horn"),             // 60
    TrNoop("Brass Section"),           // 61
    TrNoop("Synth Brass 1"),           // 62
    TrNoop("Synth Brass 2"),           // 63
    TrNoop("Soprano Sax"),             // 64
    TrNoop("Alto Sax"),                // 65
    TrNoop("Tenor Sax"),               // 66
    TrNoop("Baritone Sax"),            // 67
    TrNoop("Oboe"),                    // 68
    TrNoop("English Horn"),            // 69
    TrNoop("Bassoon"),                 // 70
    TrNoop("Clarinet"),                // 71
    TrNoop("Piccolo"),                 // 72
    TrNoop("Flute"),                   // 73
    TrNoop("Recorder"),                // 74
    TrNoop("Pan Flute"),               // 75
    TrNoop("Blown Bottle"),            // 76
    TrNoop("Shakuhachi"),              // 77
    TrNoop("Whistle"),                 // 78
    TrNoop("Ocarina"),                 // 79
    TrNoop("Lead 1 (square)"),         // 80
    TrNoop("Lead 2 (sawtooth)"),       // 81
    TrNoop("Lead 3 (calliope)"),       // 82
    TrNoop("Lead 4 (chiff)"),          // 83
    TrNoop("Lead 5 (charang)"),        // 84
    TrNoop("Lead 6 (voice)"),          // 85
    TrNoop("Lead 7 (fifths)"),         // 86
    TrNoop("Lead 8 (bass + lead)"),    // 87
    TrNoop("Pad 1 (new age)"),         // 88
    TrNoop("Pad 2 (warm)"),            // 89
    TrNoop("Pad 3 (polysynth)"),       // 90
    TrNoop("Pad 4 (choir)"),           // 91
    TrNoop("Pad 5 (bowed)"),           // 92
    TrNoop("Pad 6 (metallic)"),        // 93
    TrNoop("Pad 7 (halo)"),            // 94
    TrNoop("Pad 8 (sweep)"),           // 95
    TrNoop("FX 1 (rain)"),             // 96
    TrNoop("FX 2 (soundtrack)"),       // 97
    TrNoop("FX 3 (crystal)"),          // 98
    TrNoop("FX 4 (atmosphere)"),       // 99
    TrNoop("FX 5 (brightness)"),       // 100
    TrNoop("FX 6 (goblins)"),          // 101
    TrNoop("FX 7 (echoes)"),           // 102
    TrNoop("FX 8 (sci-fi)"),           // 103
    TrNoop("Sitar"),                   // 104
    TrNoop("Banjo"),                   // 105
    TrNoop("Shamisen"),                // 106
    TrNoop("Koto"),                    // 107
    TrNoop("Kalimba"),                 // 108
    TrNoop("Bagpipe"),                 // 109
    TrNoop("Fiddle"),                  // 110
    TrNoop("Shanai"),                  // 111
    TrNoop("Tinkle Bell"),             // 112
    TrNoop("Agogo"),                   // 113
    TrNoop("Steel Drums"),             // 114
    TrNoop("Woodblock"),               // 115
    TrNoop("Taiko Drum"),              // 116
    TrNoop("Melodic Tom"),             // 117
    TrNoop("Synth Drum"),              // 118
    TrNoop("Reverse Cymbal"),          // 119
    TrNoop("Guitar Fret Noise"),       // 120
    TrNoop("Breath Noise"),            // 121
    TrNoop("Seashore"),                // 122
    TrNoop("Bird Tweet"),              // 123
    TrNoop("Telephone Ring"),          // 124
    TrNoop("Helicopter"),              // 125
    TrNoop("Applause"),                // 126
    TrNoop("Gunshot"),                 // 127
    // Drum kits, by the program that selects them on the drum channel.
    TrNoop("Standard Kit"),   // program 0
    TrNoop("Room Kit"),       // program 8
    TrNoop("Power Kit"),      // program 16
    TrNoop("Electronic Kit"), // program 24
    TrNoop("TR-808 Kit"),     // program 25
    TrNoop("Jazz Kit"),       // program 32
    TrNoop("Brush Kit"),      // program 40
    TrNoop("Orchestra Kit"),  // program 48
    TrNoop("SFX Kit"),        // program 56
    TrNoop("CM-64/32L Kit"),  // program 127
    TrNoop("Drum Kit"),       // any other program
};

// Programs that select a named drum kit, in the order of the kit names above.
const int kitPrograms[kDrumKitCount - 1] = {0, 8, 16, 24, 25, 32, 40, 48, 56, 127};

} // namespace

int PartNameIndex(int channel, int program)
{
    if (channel != kDrumChannel) {
        return program;
    }
    for (int kit = 0; kit < kDrumKitCount - 1; kit++) {
        if (kitPrograms[kit] == program) {
            return kProgramCount + kit;
        }
    }
    return kPartNameCount - 1;
}

const char *GetPartName(int index)
{
    if (index < 0 || index >= kPartNameCount) {
        return "";
    }
    return partNames[index];
}
