/* A status request and a 0.01 payment through the C interface.
 *
 *   ecr17_demo HOST PORT
 *
 * Prints both result texts; exits 0 when both operations returned true. */
#include <ecr17.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* UTF-16 from ASCII, enough for a host name. */
static char16_t* widen(const char* text)
{
    size_t n = strlen(text);
    char16_t* wide = malloc((n + 1) * sizeof(char16_t));
    for (size_t i = 0; i <= n; ++i)
        wide[i] = (unsigned char)text[i];
    return wide;
}

/* Prints a UTF-16 text as UTF-8 (the results are ASCII apart from the receipt). */
static void print(const char* label, const char16_t* text)
{
    printf("%s", label);
    for (; text && *text; ++text) {
        if (*text < 0x80)
            putchar((int)*text);
        else if (*text < 0x800)
            printf("%c%c", 0xC0 | (*text >> 6), 0x80 | (*text & 0x3F));
        else
            printf("%c%c%c", 0xE0 | (*text >> 12), 0x80 | ((*text >> 6) & 0x3F), 0x80 | (*text & 0x3F));
    }
    putchar('\n');
}

static int fail(ecr17_client* client, const char* what)
{
    char16_t* message = ecr17_last_error(client);
    fprintf(stderr, "%s failed: ", what);
    print("", message);
    ecr17_free(message);
    return 1;
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s HOST PORT\n", argv[0]);
        return 64;
    }
    ecr17_client* client = ecr17_create();
    if (!client)
        return fail(NULL, "ecr17_create");

    char16_t* host = widen(argv[1]);
    ecr17_set_host(client, host);
    free(host);
    ecr17_set_port(client, atoi(argv[2]));
    ecr17_set_json_out(client, false);

    int failures = 0;
    char16_t* result = NULL;
    int rc = ecr17_status(client, &result);
    if (rc == ECR17_ERROR)
        failures += fail(client, "status");
    else
        print(rc == ECR17_TRUE ? "status:\n" : "status (no answer):\n", result);
    ecr17_free(result);
    failures += rc != ECR17_TRUE;

    bool timed_out = false;
    ecr17_set_print_mode(client, 2);
    rc = ecr17_pay(client, 100 /* 0.01 */, u"", &result, &timed_out);
    if (rc == ECR17_ERROR)
        failures += fail(client, "pay");
    else
        print(rc == ECR17_TRUE ? "pay:\n" : "pay (failed):\n", result);
    if (timed_out)
        puts("Timeout");
    ecr17_free(result);
    failures += rc != ECR17_TRUE;

    ecr17_destroy(client);
    return failures ? 1 : 0;
}
