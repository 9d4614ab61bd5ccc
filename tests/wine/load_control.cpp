// A DLL that does nothing, built with the plug-ins' toolchain and flags but
// without their code or the runtime parts it pulls in: what loading and
// unloading it leaves in a process is the loader's own share, the only
// growth the reload checks allow.
extern "C" __declspec(dllexport) int loadControlAnswer() { return 1; }
