#include "app/linkcourier_app.h"

int main(int argc, char** argv) {
  return lc::run_linkcourier(argc, argv);
}
