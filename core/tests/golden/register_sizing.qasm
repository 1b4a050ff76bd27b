OPENQASM 3.0;
qubit[5] q;
bit[3] c;
h q[4];
x q[0];
c[2] = measure q[0];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
