// Found first on the include path of quarrimax_core, in place of Qt's own
// header of this name, which every header of Qt's GUI and widget modules
// includes: the galaxy state and the settings stand below the windows and
// use Qt Core only.
#error "quarrimax_core (src/state, src/settings and the system services of src/platform) uses Qt Core only: no header of Qt GUI or Qt Widgets here"
