#include "app/Core.hpp"

int main(int argc, char** argv)
{
    qel::Core core;
    core.init(argc, argv);
    core.run();
    return core.getExitCode();
}
