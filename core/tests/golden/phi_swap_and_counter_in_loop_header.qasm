OPENQASM 3.0;
qubit[1] q;
bit[1] c;
int cint_0 = 0;
int cint_1 = 0;
int cint_2 = 0;
int cint_3 = 0;
c[0] = measure q[0];
cint_0 = 0;
cint_1 = c[0];
cint_3 = 5;
cint_2 = cint_1;
while (cint_0 < 3) {
  h q[0];
  cint_0 = cint_0 + 1;
  cint_1 = cint_3;
  cint_3 = cint_2;
  cint_2 = cint_1;
}
if (cint_2 == 5) {
  x q[0];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
