// Builds against the installed package and checks amounts without a terminal.
#include <ecr17/ECR17u.h>

#include <cstdio>

int main()
{
    TECR ecr;
    const bool cent = ecr.amountValidate(100);     // 0.01
    const bool tooSmall = ecr.amountValidate(50);  // 0.005
    std::printf("0.01 %s, 0.005 %s\n", cent ? "valid" : "invalid", tooSmall ? "valid" : "invalid");
    return cent && !tooSmall ? 0 : 1;
}
