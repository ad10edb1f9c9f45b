#include "game/app/main/GameMain.h"

#include <string>
#include <vector>

int main(int argc, char** argv) { return gameMain(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc)); }
