// ecr17: the command-line client.
#include "CliRun.h"

#include <iostream>

int main(int argc, char** argv)
{
    return cliMain(argc, argv, {std::cin, std::cout, std::cerr});
}
