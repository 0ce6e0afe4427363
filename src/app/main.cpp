#include "app/run.h"

int main(int argc, char** argv) {
  return zelvaro::app::run(argc, argv);
}
