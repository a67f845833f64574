#include "qt/brevel_app.h"

int main(int argc, char** argv) {
    return CBrevelApp().Run(argc, argv);
}
