OPENQASM 3.0;
qubit[8] q;
bit[8] c;
int cint_0 = 0;
int cint_1 = 0;
c[0] = measure q[0];
c[1] = measure q[1];
c[2] = measure q[2];
c[3] = measure q[3];
c[4] = measure q[4];
c[5] = measure q[5];
c[6] = measure q[6];
c[7] = measure q[7];
cint_0 = c[7];
h q[7];
c[7] = measure q[7];
cint_1 = 5;
if (c[1]) {
  cint_1 = 7;
}
if (c[0] == 1 && c[1] == 0) {
  x q[7];
}
if (c[0] != c[1]) {
  x q[7];
}
if ((c[0] == 1 || c[1] == 1) && (c[2] == 1 || c[3] == 1)) {
  x q[7];
}
if ((c[0] | c[1] << 1 | c[2] << 2 | c[3] << 3 | c[4] << 4 | c[5] << 5 | c[6] << 6) == 5) {
  x q[7];
}
if (c[7] == 1 && cint_0 == 0 || c[7] == 0 && cint_0 == 1) {
  x q[7];
}
if ((c[0] & c[1] & c[2] ^ c[1] & c[3] ^ c[0] & c[2] & c[3] ^ c[4]) == 1) {
  x q[7];
}
if (cint_1 == 7) {
  x q[7];
}
if (c[5] == 1) {
  x q[7];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
