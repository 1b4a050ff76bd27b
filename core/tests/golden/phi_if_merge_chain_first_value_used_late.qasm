OPENQASM 3.0;
qubit[4] q;
bit[2] c;
int cint_0 = 0;
int cint_1 = 0;
int cint_2 = 0;
h q[0];
c[0] = measure q[0];
h q[1];
c[1] = measure q[1];
if (c[0]) {
  cint_0 = 5;
}
cint_1 = cint_0;
cint_2 = cint_1;
if (c[1]) {
  cint_2 = cint_1 + 10;
}
if (cint_1 == 5) {
  x q[2];
}
if (cint_2 == 15) {
  x q[3];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
