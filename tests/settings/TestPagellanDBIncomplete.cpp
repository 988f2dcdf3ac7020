// A plug-in that lacks most entry points: the program must not take it for the database plug-in.

extern "C" {

void DLLInitDataModule(bool) {}

bool DLLSetServer(const char*) {
    return true;
}

} // extern "C"
