#include "shell/LameTable.h"

namespace {

// Rows 0..184. Keep them one line each and short enough for the status bar.
constexpr std::array<const char*, kLameTableSize> kLameTable = {
    /*   0 */ "Life's hard and then you die",
    /*   1 */ "Oooops!",
    /*   2 */ "Well, that was unexpected",
    /*   3 */ "This totally freaks me out dude",
    /*   4 */ "00011001101-1100100-0010111110-2",
    /*   5 */ "If that was Unix I would be core dumping just now",
    /*   6 */ "That didn't go according to plan, now did it?",
    /*   7 */ "Must be the millenium bug at play here",
    /*   8 */ "The bits went left when they should have gone right",
    /*   9 */ "This is a catastrophy of biblical proportions",
    /*  10 */ "Internal program short-circuit; this is due to a signal failure",
    /*  11 */ "This failure could act as a definition for force majeure",
    /*  12 */ "I wouldn't call this a problem per se, it's more of an inconvenience",
    /*  13 */ "I detect foul play",
    /*  14 */ "Nightmare scenario this",
    /*  15 */ "Somewhere a small gremlin is laughing at us both",
    /*  16 */ "I'd blame the cosmic rays, but they have an alibi",
    /*  17 */ "You don't say!",
    /*  18 */ "I am not understanding this",
    /*  19 */ "Let's pretend that never happened, shall we?",
    /*  20 */ "Oh, I do beg your pardon, I say!",
    /*  21 */ "Computer says no; it has said no all week",
    /*  22 */ "The hamsters powering this machine are on strike",
    /*  23 */ "That went down like a lead balloon",
    /*  24 */ "Please stand by while I fail gracefully",
    /*  25 */ "You can't have everything; it's infeasible due to storage considerations alone",
    /*  26 */ "This is one time you'll have to settle for less",
    /*  27 */ "Not even the manual knows what happened there",
    /*  28 */ "Error 42: the answer was right, the question was wrong",
    /*  29 */ "My circuits are blushing with embarrassment",
    /*  30 */ "The disk drive shrugged and looked the other way",
    /*  31 */ "I'm out of here --- like I stole something",
    /*  32 */ "I have a bad feeling about this one",
    /*  33 */ "You should refrain from profanity",
    /*  34 */ "Sleep with dogs, wake up with fleas",
    /*  35 */ "What an unsavoury character!",
    /*  36 */ "Ground control reports a minor inconvenience",
    /*  37 */ "This is why we can't have nice things",
    /*  38 */ "TSEK--NONE!",
    /*  39 */ "Even the screensaver is embarrassed now",
    /*  40 */ "A file that big? It might be useful; but now it's gone",
    /*  41 */ "Why don't we try that again, hey?",
    /*  42 */ "One can wait 10 years on top of a hill and a duck won't show up",
    /*  43 */ "Try turning it off and on again; it works for me",
    /*  44 */ "You might just as well send back the unused portion for a refund",
    /*  45 */ "The electrons took a wrong turn at the capacitor",
    /*  46 */ "I am sure this is a mere minor setback",
    /*  47 */ "I can't believe the way this computer is treating you!",
    /*  48 */ "Are we going from bad to worse here or what?",
    /*  49 */ "That request has been filed under 'never'",
    /*  50 */ "This command cannot be executed at this moment; try again later",
    /*  51 */ "I'd help, but my coffee break has priority",
    /*  52 */ "If at first you don't succeed, try-try again",
    /*  53 */ "Well, at least you can say that you've tried!",
    /*  54 */ "Something, somewhere, has gone terribly sideways",
    /*  55 */ "The gremlins have filed a formal complaint",
    /*  56 */ "I bet you had better days than this before",
    /*  57 */ "Most probably you mixed up your accelerator keys",
    /*  58 */ "Have you heard about the karma/darma hypothesis?",
    /*  59 */ "You have been weighed, measured and found wanting",
    /*  60 */ "Keep calm and blame the hardware",
    /*  61 */ "It worked on my machine, I promise",
    /*  62 */ "I felt like that when I had my umbilical cord severed",
    /*  63 */ "You'll be fed and watered come what may",
    /*  64 */ "Sour grapes on the menu today, I see",
    /*  65 */ "The motherboard sent the DMA controller to the dog-house",
    /*  66 */ "This is not your lucky day, now is it?",
    /*  67 */ "I hope you haven't paid for all this mess",
    /*  68 */ "That operation has been politely declined",
    /*  69 */ "This bug will most probably be fixed sooner or later",
    /*  70 */ "You haven't tried THAT again, have you?",
    /*  71 */ "Don't hate me; I'm just pointing out your fallacies",
    /*  72 */ "Cursing and all that will take you nowhere",
    /*  73 */ "Manners, my friend!",
    /*  74 */ "That mouse is playing tricks on you old man!",
    /*  75 */ "Nice try, but the bits are not impressed",
    /*  76 */ "The same thing happened to me the other day",
    /*  77 */ "Patience is one of the age-old virtues, they say",
    /*  78 */ "That's what I call misuse of good computer resources",
    /*  79 */ "I urge you to remain calm",
    /*  80 */ "Contain yourself!",
    /*  81 */ "Have you been working long hours again?",
    /*  82 */ "Cursing is actively encouraged...",
    /*  83 */ "Here, here, it's not the end of the world, surely!",
    /*  84 */ "May the rest of your life be more successful than this",
    /*  85 */ "What have you done to deserve this?",
    /*  86 */ "Have you been poking around the Registry again?",
    /*  87 */ "Phheeew, that's a nasty one",
    /*  88 */ "You nearly formatted your hard disk there mate!",
    /*  89 */ "I take it that you assume full responsibility for your actions",
    /*  90 */ "My grandmother would have managed that task better",
    /*  91 */ "I think it's time you chucked that old x486, don't you?",
    /*  92 */ "You have to take the chaff along with the eggs",
    /*  93 */ "That's a massive NO, sir",
    /*  94 */ "Should I get my grandmother to give you a hand with this?",
    /*  95 */ "The bytes fell out of the bucket again",
    /*  96 */ "You are hardly making any sense here",
    /*  97 */ "Tell me, exactly what are you trying to achieve here?",
    /*  98 */ "That was a good 'un",
    /*  99 */ "You are giving me a headache, you really are",
    /* 100 */ "Step 1: read the accompanying documentation",
    /* 101 */ "This calls for a cup of tea and a long think",
    /* 102 */ "And I thought I'd seen everything!",
    /* 103 */ "That's hopeless man",
    /* 104 */ "No, Nein, Niet, Oxi, in short forget it pal",
    /* 105 */ "I absolutely refuse to cooperate",
    /* 106 */ "Please insert a more reasonable request",
    /* 107 */ "Brace yourself; this may take forever and then fail",
    /* 108 */ "The floppy of destiny says no",
    /* 109 */ "L: Error in data 0:1",
    /* 110 */ "Why don't we take this a step at a time, eh?",
    /* 111 */ "D: Variable not found 0:1",
    /* 112 */ "What's the last time you did a virus check on this machine?",
    /* 113 */ "This machine is rather stubborn for your liking",
    /* 114 */ "Oops, the silicon slipped",
    /* 115 */ "I'll add that to my list of regrets",
    /* 116 */ "The cache forgot what it was supposed to remember",
    /* 117 */ "That must be the onset of the ineffable rain",
    /* 118 */ "I/We regret any inconvenience caused",
    /* 119 */ "Why do you insist keeping on torturing yourself?",
    /* 120 */ "You are asking for the impossible",
    /* 121 */ "Why do ducks have cold noses?",
    /* 122 */ "Consider lowering down your demands a tad",
    /* 123 */ "This is a program, not a wishing well",
    /* 124 */ "That was bold; it was also wrong",
    /* 125 */ "And they say that life's a bed of roses (!)",
    /* 126 */ "Keyboard not found; press F1 to continue",
    /* 127 */ "You might want to join me in regarding this as preposterous",
    /* 128 */ "I apologise for the lack of performance here",
    /* 129 */ "This computer will not take such abuse no more",
    /* 130 */ "You tried that same trick the other day, didn't you?",
    /* 131 */ "I'm really sorry for this latest misfortune",
    /* 132 */ "I have consulted the tea leaves: they say no",
    /* 133 */ "This feature is not supported, and neither will it ever be",
    /* 134 */ "The stars are not aligned for that sort of thing",
    /* 135 */ "That was a good joke",
    /* 136 */ "Next time you do that, I'm overclocking the CPU I am!",
    /* 137 */ "Someone call a technician, preferably a brave one",
    /* 138 */ "You wooot?",
    /* 139 */ "I think we're stuck here",
    /* 140 */ "The system is busy and may crash any moment; hit <Ctrl+Alt+Del>",
    /* 141 */ "You'll never make that deadline in this frame of mind",
    /* 142 */ "I'm calling the hacker police as we speak",
    /* 143 */ "This operation must be performed by a trained operator",
    /* 144 */ "Seek some assistance, why don't ya?",
    /* 145 */ "I'll drink to that!",
    /* 146 */ "You are hardly amusing man nor machine",
    /* 147 */ "That's a feature, not a bug; trust me",
    /* 148 */ "Unexpected success is not an option at this time",
    /* 149 */ "Duck for cover...",
    /* 150 */ "You could be procecuted under the articles against machine cruelty",
    /* 151 */ "The stack overflowed with sheer disbelief",
    /* 152 */ "That's amateurish by anybody's standards",
    /* 153 */ "You've got a long and twisty path till you can be called an expert user",
    /* 154 */ "I've got bad news for you again",
    /* 155 */ "This is quite preposterous for man and/or beast",
    /* 156 */ "Exactly where in the manual did I say you could do that?",
    /* 157 */ "Some sort of blunder took place as usual",
    /* 158 */ "Your request has been sent to the department of lost causes",
    /* 159 */ "I've seen better days, and so have you",
    /* 160 */ "Task scheduler refuses wasting time-slices for lame operations on your account",
    /* 161 */ "General Protection Fault and/or Access denied",
    /* 162 */ "I think you've just corrupted your registry",
    /* 163 */ "This machine runs on hope, and hope just ran out",
    /* 164 */ "The mouse has gone into hiding again",
    /* 165 */ "Attempting DWORD-write on random address 0xCDCDCDCD just for laffs",
    /* 166 */ "I am sure the afterlife will be considerably better",
    /* 167 */ "I would explain, but the explanation crashed too",
    /* 168 */ "Insufficient priviledges for attempted operation",
    /* 169 */ "System resources critically low: reboot or/and format your hard disk",
    /* 170 */ "Main processor failed due to overheating",
    /* 171 */ "Is it hot in here or is it just me?",
    /* 172 */ "The operation was a success; the patient did not survive",
    /* 173 */ "Too many files in here, why don't we delete half of them?",
    /* 174 */ "Blame the butterfly that flapped its wings last Tuesday",
    /* 175 */ "There are errors occuring",
    /* 176 */ "Nothing to see here; please move along",
    /* 177 */ "Mere conjectures were never going to be sufficient",
    /* 178 */ "I am alas unable to comply",
    /* 179 */ "You need two more coupons before you can claim that",
    /* 180 */ "Have you ever considered a course on basic inferential logic?",
    /* 181 */ "That is the wise man's dingle-dangle dilemma",
    /* 182 */ "I have run out of witty remarks for this one",
    /* 183 */ "He/She rubbish!",
    /* 184 */ "And that, ladies and gentlemen, concludes the fiasco",
};

std::int32_t g_lameSeed = 0;

}  // namespace

const std::array<const char*, kLameTableSize>& LameTable() {
    return kLameTable;
}

QString LameTableText(int index) {
    if (index < 0 || index >= kLameTableSize)
        return QString();
    return QString::fromUtf8(kLameTable[size_t(index)]);
}

std::int32_t LameRandomStep(std::int32_t seed) {
    // Unsigned arithmetic gives the wrap-around of the signed 32-bit
    // multiplications without undefined behaviour.
    const std::uint32_t s = std::uint32_t(seed);
    const std::uint32_t quotient = std::uint32_t(seed / 127773);  // truncating
    std::int32_t next = std::int32_t(s * 16807u - quotient * 2147483647u);
    if (next < 0)
        next = std::int32_t(std::uint32_t(next) + 2147483647u);
    return next;
}

std::int32_t LameSeed() {
    return g_lameSeed;
}

void SetLameSeed(std::int32_t seed) {
    g_lameSeed = seed;
}

std::int32_t LameRandom() {
    g_lameSeed = LameRandomStep(g_lameSeed);
    return g_lameSeed;
}

int LameTableIndex(std::int32_t value) {
    return int(std::uint32_t(value) % kLameTableSize);
}
