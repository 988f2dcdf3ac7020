#pragma once
// The 137 PCL command keys the interpreter registers, in registration order, as the command
// table lists them.

namespace pg::test {

inline constexpr const char* kPclCommandKeys[] = {
    "E",   "&lX", "&lS", "&lU", "&lZ", "&aG", "&lT", "&lG", "&uD", "&oQ", "&lM", "&aN", "&lH", "&lA", "&lO",
    "&aP", "&cT", "&lE", "&lF", "&aL", "&aM", "&9",  "&lL", "&kH", "&lC", "&lD", "&aR", "*pY", "&aV", "&aC",
    "*pX", "&aH", "=",   "&kG", "&fS", "(D",  ")D",  "(E",  ")E",  "(F",  ")F",  "(G",  ")G",  "(I",  ")I",
    "(J",  ")J",  "(L",  ")L",  "(M",  ")M",  "(N",  ")N",  "(S",  ")S",  "(T",  ")T",  "(U",  ")U",  "(K",
    ")K",  "(sP", ")sP", "(sH", ")sH", "&kS", "(sV", ")sV", "(sS", ")sS", "(sB", ")sB", "(sT", ")sT", "(@",
    ")@",  "&dD", "&d@", "&tP", "&pX", "*cD", "*cF", "*cR", "(fW", "*cS", "(X",  ")X",  ")sW", "(sW", "*cE",
    "*tR", "*rF", "*rA", "*bY", "*bM", "*bW", "*bV", "*rB", "*rC", "*rT", "*rS", "*tH", "*tV", "*tK", "*vT",
    "*vN", "*vO", "*lO", "*vR", "*cA", "*cH", "*cB", "*cV", "*cP", "*cG", "*cW", "*cQ", "*pR", "&fY", "&fX",
    "*sT", "*sU", "*sI", "&rF", "*sM", "*sX", "&sC", "Y",   "Z",   "%A",  "%B",  "*cK", "*cL", "*cT", "*cX",
    "*cY", "(sZ", "*rU", "*vW", "*vA", "*vB", "*vC", "*vI", "*vS", "*pP", "&pS", "&pI", "&pC"};

} // namespace pg::test
