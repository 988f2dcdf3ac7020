// pagellan-make-demo OUT.qdx: writes the bundled demo loan package.
#include "DemoPackage.h"
#include "Quodex.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: pagellan-make-demo OUT.qdx\n";
        return 2;
    }
    try {
        const auto set = pg::BuildDemoPackage();
        if (!pg::TQuodex::SaveQuodex(*set, argv[1], pg::TSaveMode::All, true, false))
            return 1;
    } catch (const std::exception& e) {
        std::cerr << "pagellan-make-demo: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
