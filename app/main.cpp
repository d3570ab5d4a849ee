// Process entry of Skyfill.
int main()
{
    return 0;
}
