OPENQASM 3.0;
qubit[3] q;
bit[3] c;
int cint_0 = 0;
int cint_1 = 0;
cint_0 = 0;
c[0] = measure q[0];
if (c[0]) {
  x q[0];
}
cint_0 = 0 | c[0];
c[1] = measure q[1];
if (c[1]) {
  x q[1];
}
cint_0 = cint_0 | c[1] << 1;
c[2] = measure q[2];
if (c[2]) {
  x q[2];
}
cint_0 = cint_0 | c[2] << 2;
cint_1 = 0;
while (cint_1 < 2) {
  h q[0];
  cint_1 = cint_1 + 1;
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
