OPENQASM 3.0;
qubit[3] q;
bit[2] c;
int cint_0 = 0;
h q[0];
h q[1];
c[0] = measure q[0];
c[1] = measure q[1];
cint_0 = c[0] | c[1] << 1;
rx(-(cint_0 * 0.25 + 0.1) - 0.3333333333333333) q[2];
rx((c[0] + (0 - c[1])) * (c[0] + (0 - c[1]))) q[2];
rx(0.00000000000000000001807003620809174) q[2];
c[0] = measure q[0];
rx(cint_0) q[0];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
